<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja_JP">
<context>
    <name>nev</name>
    <message>
        <source>ゲーム</source>
        <translation>Game</translation>
    </message>
    <message>
        <source>メッセージ速度</source>
        <translation>Message speed</translation>
    </message>
    <message>
        <source>最速</source>
        <translation>Fastest</translation>
    </message>
    <message>
        <source>４倍速</source>
        <translation>Four times</translation>
    </message>
    <message>
        <source>デフォルト</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>ゲーム終了</source>
        <translation>End game</translation>
    </message>
    <message>
        <source>スクリーン</source>
        <translation>Screen</translation>
    </message>
    <message>
        <source>デフォルトウインドウサイズ</source>
        <translation>Default window size</translation>
    </message>
    <message>
        <source>フルサイズウインドウ</source>
        <translation>Full-size window</translation>
    </message>
    <message>
        <source>フルスクリーン表示</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>拡大のしかた</source>
        <translation>Scaling</translation>
    </message>
    <message>
        <source>縦横比を保つ</source>
        <translation>Keep proportions</translation>
    </message>
    <message>
        <source>整数倍だけ</source>
        <translation>Whole multiples only</translation>
    </message>
    <message>
        <source>画面いっぱいに引き伸ばす</source>
        <translation>Stretch to fill</translation>
    </message>
    <message>
        <source>覚えた大きさを忘れる</source>
        <translation>Forget the remembered size</translation>
    </message>
    <message>
        <source>ヘルプ</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>ヘルプ目次</source>
        <translation>Help contents</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About</translation>
    </message>
    <message>
        <source>しおり</source>
        <translation>Bookmarks</translation>
    </message>
    <message>
        <source>セーブ</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>ロード</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>しおりの一覧…</source>
        <translation>All bookmarks…</translation>
    </message>
    <message>
        <source>クイックセーブ	F5</source>
        <translation>Quick save	F5</translation>
    </message>
    <message>
        <source>クイックロード	F9</source>
        <translation>Quick load	F9</translation>
    </message>
    <message>
        <source>読みかた</source>
        <translation>Reading</translation>
    </message>
    <message>
        <source>バックログ	↑</source>
        <translation>Backlog	↑</translation>
    </message>
    <message>
        <source>スキップ	Ctrl</source>
        <translation>Skip	Ctrl</translation>
    </message>
    <message>
        <source>未読もスキップする</source>
        <translation>Skip unread text too</translation>
    </message>
    <message>
        <source>オート</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>オートの速さ</source>
        <translation>Auto speed</translation>
    </message>
    <message>
        <source>ゆっくり</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>ふつう</source>
        <translation>Usual</translation>
    </message>
    <message>
        <source>はやい</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>音楽の音量</source>
        <translation>Music volume</translation>
    </message>
    <message>
        <source>効果音の音量</source>
        <translation>Sound volume</translation>
    </message>
    <message>
        <source>なし</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>消音</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>スクリーンショット	F12</source>
        <translation>Screenshot	F12</translation>
    </message>
    <message>
        <source>ページの文をコピー	Ctrl+C</source>
        <translation>Copy the page's text	Ctrl+C</translation>
    </message>
    <message>
        <source>言語</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>原文</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>原文を表示	O</source>
        <translation>Show the original	O</translation>
    </message>
    <message>
        <source>デバッグヘルプ</source>
        <translation>Developer help</translation>
    </message>
    <message>
        <source>テキスト暗号化</source>
        <translation>Scramble a script</translation>
    </message>
    <message>
        <source>ウインドサイズ</source>
        <translation>Window size</translation>
    </message>
    <message>
        <source>メニュー消去</source>
        <translation>Remove the menu bar</translation>
    </message>
    <message>
        <source>ファイル選択</source>
        <translation>Choose a file</translation>
    </message>
    <message>
        <source>保存するファイル名を指定して下さい</source>
        <translation>Name the file to save to</translation>
    </message>
    <message>
        <source>読み込むファイルと同じファイルには保存できません</source>
        <translation>Cannot save over the file being read</translation>
    </message>
    <message>
        <source>処理終了</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>処理を中断しました</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>セーブ・ロード…</source>
        <translation>Save / load…</translation>
    </message>
    <message>
        <source>クイックセーブ</source>
        <translation>Quick save</translation>
    </message>
    <message>
        <source>クイックロード</source>
        <translation>Quick load</translation>
    </message>
    <message>
        <source>バックログ</source>
        <translation>Backlog</translation>
    </message>
    <message>
        <source>スキップ</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>フルスクリーン</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>音を出す装置が見つからないため使えません</source>
        <translation>Unavailable: no sound device was found</translation>
    </message>
    <message>
        <source>音を出す装置が見つかりません。音楽と効果音は鳴りません</source>
        <translation>No sound device found. Music and sounds are silent</translation>
    </message>
    <message>
        <source>（読めないしおり）</source>
        <translation>(unreadable bookmark)</translation>
    </message>
    <message>
        <source>―― 空き ――</source>
        <translation>—— empty ——</translation>
    </message>
    <message>
        <source>クイックのしおり</source>
        <translation>the quick bookmark</translation>
    </message>
    <message>
        <source>オートのしおり</source>
        <translation>the auto bookmark</translation>
    </message>
    <message>
        <source>セーブできませんでした</source>
        <translation>Could not save</translation>
    </message>
    <message>
        <source>ロードできませんでした</source>
        <translation>Could not load</translation>
    </message>
    <message>
        <source>前回の続きを読み込めませんでした</source>
        <translation>Could not load where you left off</translation>
    </message>
    <message>
        <source>前回の続きから始めますか？</source>
        <translation>Go on from where you left off?</translation>
    </message>
    <message>
        <source>スクリーンショットを保存できませんでした</source>
        <translation>The screenshot could not be saved</translation>
    </message>
    <message>
        <source>スクリーンショット: </source>
        <translation>Screenshot: </translation>
    </message>
    <message>
        <source>はい</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>いいえ</source>
        <translation>No</translation>
    </message>
    <message>
        <source>このファイルは存在しません。
作成しますか?</source>
        <translation>This file does not exist.
Create it?</translation>
    </message>
    <message>
        <source>◀ 前のページ</source>
        <translation>◀ Previous page</translation>
    </message>
    <message>
        <source>次のページ ▶</source>
        <translation>Next page ▶</translation>
    </message>
    <message>
        <source>削除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>しおり %1</source>
        <translation>bookmark %1</translation>
    </message>
    <message>
        <source>セーブしました（%1）</source>
        <translation>Saved (%1)</translation>
    </message>
    <message>
        <source>ロードしました（%1）</source>
        <translation>Loaded (%1)</translation>
    </message>
    <message>
        <source>%1 に上書きしますか？</source>
        <translation>Overwrite %1?</translation>
    </message>
    <message>
        <source>%1 を削除しますか？</source>
        <translation>Delete %1?</translation>
    </message>
    <message>
        <source>Q クイック</source>
        <translation>Q Quick</translation>
    </message>
    <message>
        <source>A オート</source>
        <translation>A Auto</translation>
    </message>
    <message>
        <source>★最新</source>
        <translation>★ Newest</translation>
    </message>
    <message>
        <source>スクリプトの誤り</source>
        <translation>Script errors</translation>
    </message>
    <message>
        <source>前のスクリプトのまま続けています:</source>
        <translation>Still playing the scripts as they were before:</translation>
    </message>
</context>
</TS>
