<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="ja_JP">
<context>
    <name>nev</name>
    <message>
        <source>ゲーム</source>
        <translation>ゲーム</translation>
    </message>
    <message>
        <source>メッセージ速度</source>
        <translation>メッセージ速度</translation>
    </message>
    <message>
        <source>最速</source>
        <translation>最速</translation>
    </message>
    <message>
        <source>４倍速</source>
        <translation>４倍速</translation>
    </message>
    <message>
        <source>デフォルト</source>
        <translation>デフォルト</translation>
    </message>
    <message>
        <source>ゲーム終了</source>
        <translation>ゲーム終了</translation>
    </message>
    <message>
        <source>スクリーン</source>
        <translation>スクリーン</translation>
    </message>
    <message>
        <source>デフォルトウインドウサイズ</source>
        <translation>デフォルトウインドウサイズ</translation>
    </message>
    <message>
        <source>フルサイズウインドウ</source>
        <translation>フルサイズウインドウ</translation>
    </message>
    <message>
        <source>フルスクリーン表示</source>
        <translation>フルスクリーン表示</translation>
    </message>
    <message>
        <source>拡大のしかた</source>
        <translation>拡大のしかた</translation>
    </message>
    <message>
        <source>縦横比を保つ</source>
        <translation>縦横比を保つ</translation>
    </message>
    <message>
        <source>整数倍だけ</source>
        <translation>整数倍だけ</translation>
    </message>
    <message>
        <source>画面いっぱいに引き伸ばす</source>
        <translation>画面いっぱいに引き伸ばす</translation>
    </message>
    <message>
        <source>覚えた大きさを忘れる</source>
        <translation>覚えた大きさを忘れる</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>ヘルプ目次</source>
        <translation>ヘルプ目次</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>しおり</source>
        <translation>しおり</translation>
    </message>
    <message>
        <source>セーブ</source>
        <translation>セーブ</translation>
    </message>
    <message>
        <source>ロード</source>
        <translation>ロード</translation>
    </message>
    <message>
        <source>しおりの一覧…</source>
        <translation>しおりの一覧…</translation>
    </message>
    <message>
        <source>クイックセーブ	F5</source>
        <translation>クイックセーブ	F5</translation>
    </message>
    <message>
        <source>クイックロード	F9</source>
        <translation>クイックロード	F9</translation>
    </message>
    <message>
        <source>読みかた</source>
        <translation>読みかた</translation>
    </message>
    <message>
        <source>バックログ	↑</source>
        <translation>バックログ	↑</translation>
    </message>
    <message>
        <source>スキップ	Ctrl</source>
        <translation>スキップ	Ctrl</translation>
    </message>
    <message>
        <source>未読もスキップする</source>
        <translation>未読もスキップする</translation>
    </message>
    <message>
        <source>オート</source>
        <translation>オート</translation>
    </message>
    <message>
        <source>オートの速さ</source>
        <translation>オートの速さ</translation>
    </message>
    <message>
        <source>ゆっくり</source>
        <translation>ゆっくり</translation>
    </message>
    <message>
        <source>ふつう</source>
        <translation>ふつう</translation>
    </message>
    <message>
        <source>はやい</source>
        <translation>はやい</translation>
    </message>
    <message>
        <source>音楽の音量</source>
        <translation>音楽の音量</translation>
    </message>
    <message>
        <source>効果音の音量</source>
        <translation>効果音の音量</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>消音</source>
        <translation>消音</translation>
    </message>
    <message>
        <source>スクリーンショット	F12</source>
        <translation>スクリーンショット	F12</translation>
    </message>
    <message>
        <source>ページの文をコピー	Ctrl+C</source>
        <translation>ページの文をコピー	Ctrl+C</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>言語</translation>
    </message>
    <message>
        <source>原文</source>
        <translation>原文</translation>
    </message>
    <message>
        <source>原文を表示	O</source>
        <translation>原文を表示	O</translation>
    </message>
    <message>
        <source>デバッグヘルプ</source>
        <translation>デバッグヘルプ</translation>
    </message>
    <message>
        <source>テキスト暗号化</source>
        <translation>テキスト暗号化</translation>
    </message>
    <message>
        <source>ウインドサイズ</source>
        <translation>ウインドサイズ</translation>
    </message>
    <message>
        <source>メニュー消去</source>
        <translation>メニュー消去</translation>
    </message>
    <message>
        <source>ファイル選択</source>
        <translation>ファイル選択</translation>
    </message>
    <message>
        <source>保存するファイル名を指定して下さい</source>
        <translation>保存するファイル名を指定して下さい</translation>
    </message>
    <message>
        <source>読み込むファイルと同じファイルには保存できません</source>
        <translation>読み込むファイルと同じファイルには保存できません</translation>
    </message>
    <message>
        <source>処理終了</source>
        <translation>処理終了</translation>
    </message>
    <message>
        <source>処理を中断しました</source>
        <translation>処理を中断しました</translation>
    </message>
    <message>
        <source>セーブ・ロード…</source>
        <translation>セーブ・ロード…</translation>
    </message>
    <message>
        <source>クイックセーブ</source>
        <translation>クイックセーブ</translation>
    </message>
    <message>
        <source>クイックロード</source>
        <translation>クイックロード</translation>
    </message>
    <message>
        <source>バックログ</source>
        <translation>バックログ</translation>
    </message>
    <message>
        <source>スキップ</source>
        <translation>スキップ</translation>
    </message>
    <message>
        <source>フルスクリーン</source>
        <translation>フルスクリーン</translation>
    </message>
    <message>
        <source>音を出す装置が見つからないため使えません</source>
        <translation>音を出す装置が見つからないため使えません</translation>
    </message>
    <message>
        <source>音を出す装置が見つかりません。音楽と効果音は鳴りません</source>
        <translation>音を出す装置が見つかりません。音楽と効果音は鳴りません</translation>
    </message>
    <message>
        <source>（読めないしおり）</source>
        <translation>（読めないしおり）</translation>
    </message>
    <message>
        <source>―― 空き ――</source>
        <translation>―― 空き ――</translation>
    </message>
    <message>
        <source>クイックのしおり</source>
        <translation>クイックのしおり</translation>
    </message>
    <message>
        <source>オートのしおり</source>
        <translation>オートのしおり</translation>
    </message>
    <message>
        <source>セーブできませんでした</source>
        <translation>セーブできませんでした</translation>
    </message>
    <message>
        <source>ロードできませんでした</source>
        <translation>ロードできませんでした</translation>
    </message>
    <message>
        <source>前回の続きを読み込めませんでした</source>
        <translation>前回の続きを読み込めませんでした</translation>
    </message>
    <message>
        <source>前回の続きから始めますか？</source>
        <translation>前回の続きから始めますか？</translation>
    </message>
    <message>
        <source>スクリーンショットを保存できませんでした</source>
        <translation>スクリーンショットを保存できませんでした</translation>
    </message>
    <message>
        <source>スクリーンショット: </source>
        <translation>スクリーンショット: </translation>
    </message>
    <message>
        <source>はい</source>
        <translation>はい</translation>
    </message>
    <message>
        <source>いいえ</source>
        <translation>いいえ</translation>
    </message>
    <message>
        <source>このファイルは存在しません。
作成しますか?</source>
        <translation>このファイルは存在しません。
作成しますか?</translation>
    </message>
    <message>
        <source>◀ 前のページ</source>
        <translation>◀ 前のページ</translation>
    </message>
    <message>
        <source>次のページ ▶</source>
        <translation>次のページ ▶</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>しおり %1</source>
        <translation>しおり %1</translation>
    </message>
    <message>
        <source>セーブしました（%1）</source>
        <translation>セーブしました（%1）</translation>
    </message>
    <message>
        <source>ロードしました（%1）</source>
        <translation>ロードしました（%1）</translation>
    </message>
    <message>
        <source>%1 に上書きしますか？</source>
        <translation>%1 に上書きしますか？</translation>
    </message>
    <message>
        <source>%1 を削除しますか？</source>
        <translation>%1 を削除しますか？</translation>
    </message>
    <message>
        <source>Q クイック</source>
        <translation>Q クイック</translation>
    </message>
    <message>
        <source>A オート</source>
        <translation>A オート</translation>
    </message>
    <message>
        <source>★最新</source>
        <translation>★最新</translation>
    </message>
    <message>
        <source>スクリプトの誤り</source>
        <translation>スクリプトの誤り</translation>
    </message>
    <message>
        <source>前のスクリプトのまま続けています:</source>
        <translation>前のスクリプトのまま続けています:</translation>
    </message>
</context>
</TS>
