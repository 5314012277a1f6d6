#include "backends/qt/slot_dialog.h"

#include <QColor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <vector>

#include "backends/qt/our_captions.h"

namespace {

constexpr int kTilesPerPage = 6;
constexpr int kTileColumns = 3;
const QSize kTileThumbnail(240, 180);
const QSize kTile(264, 180 + 84);  // room for the name, the date and two lines of text

// An empty slot gets a blank of the same size, so that every tile stands as tall.
QIcon thumbnailIcon(const SaveSummary& summary) {
  if (summary.thumbnail.empty()) {
    QPixmap blank(kTileThumbnail);
    blank.fill(QColor(0x30, 0x30, 0x30));
    return QIcon(blank);
  }
  const QImage image(reinterpret_cast<const uchar*>(summary.thumbnail.data()),
                     summary.thumbnailWidth, summary.thumbnailHeight,
                     summary.thumbnailWidth * int(sizeof(Pixel)), QImage::Format_RGB32);
  return QIcon(QPixmap::fromImage(
      image.scaled(kTileThumbnail, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

// The keys the slot screen answers itself, before the list or the dialog sees them.
class TileKeys : public QObject {
 public:
  std::function<bool(int key)> onKey;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    return key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier
               ? onKey(key->key())
               : false;
  }
};

}  // namespace

SlotDialogChoice runSlotDialog(QWidget* parent, WindowPort& port, const SlotListing* listings,
                               int32_t count, bool canSave, int32_t lit) {
  // The slots a reader reaches most, quick and auto, open the first page.
  std::vector<int32_t> order;
  for (int32_t slot : {kQuickSlot, kAutoSlot}) {
    if (slot < count) order.push_back(slot);
  }
  for (int32_t slot = 1; slot <= kSaveSlots && slot < count; ++slot) order.push_back(slot);
  const int pages = (int(order.size()) + kTilesPerPage - 1) / kTilesPerPage;
  const int32_t newest = newestSlot(listings, count);
  if (lit <= 0 || lit >= count) lit = newest != 0 ? newest : 1;

  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("slots"));  // the pad's buttons reach it as its own keys
  dialog.setWindowTitle(ourCaption("しおり"));
  auto* list = new QListWidget(&dialog);
  list->setViewMode(QListView::IconMode);
  list->setMovement(QListView::Static);
  list->setFlow(QListView::LeftToRight);
  list->setWrapping(true);
  list->setWordWrap(true);
  list->setIconSize(kTileThumbnail);
  list->setGridSize(kTile);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const int frame = 2 * list->frameWidth() + 8;
  list->setFixedSize(kTile.width() * kTileColumns + frame,
                     kTile.height() * (kTilesPerPage / kTileColumns) + frame);

  auto* previous = new QPushButton(ourCaption("◀ 前のページ"), &dialog);
  auto* next = new QPushButton(ourCaption("次のページ ▶"), &dialog);
  auto* pageNumber = new QLabel(&dialog);
  auto* paging = new QHBoxLayout;
  paging->addWidget(previous);
  paging->addStretch();
  paging->addWidget(pageNumber);
  paging->addStretch();
  paging->addWidget(next);

  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* save = buttons->addButton(ourCaption("セーブ"), QDialogButtonBox::ActionRole);
  QPushButton* load = buttons->addButton(ourCaption("ロード"), QDialogButtonBox::ActionRole);
  QPushButton* remove = buttons->addButton(ourCaption("削除"), QDialogButtonBox::ActionRole);
  buttons->addButton(ourCaption("閉じる"), QDialogButtonBox::RejectRole);
  // No default button: Enter must never save, so the list alone answers it.
  for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(list);
  layout->addLayout(paging);
  layout->addWidget(buttons);

  SlotDialogChoice choice;
  int page = 0;
  auto pickedSlot = [list] {
    QListWidgetItem* item = list->currentItem();
    return item == nullptr ? 0 : item->data(Qt::UserRole).toInt();
  };
  auto updateButtons = [&] {
    const int32_t slot = pickedSlot();
    const bool used = slot > 0 && listings[slot].used;
    save->setEnabled(canSave && slot >= 1 && slot <= kSaveSlots);
    load->setEnabled(used);
    remove->setEnabled(slot > 0 && (used || listings[slot].problem.has_value()));
  };
  // Shows page `shown` with its tile at `row` lit (clamped to the page).
  auto showPage = [&](int shown, int row) {
    page = std::clamp(shown, 0, pages - 1);
    list->clear();
    const int first = page * kTilesPerPage;
    const int last = std::min(first + kTilesPerPage, int(order.size()));
    for (int at = first; at < last; ++at) {
      const int32_t slot = order[size_t(at)];
      auto* item = new QListWidgetItem(
          thumbnailIcon(listings[slot].summary),
          QString::fromStdString(slotTile(port, slot, listings[slot], slot == newest)), list);
      item->setData(Qt::UserRole, slot);
      item->setSizeHint(kTile);
    }
    list->setCurrentRow(std::clamp(row, 0, last - first - 1));
    pageNumber->setText(QStringLiteral("%1 / %2").arg(page + 1).arg(pages));
    previous->setEnabled(page > 0);
    next->setEnabled(page + 1 < pages);
    updateButtons();
  };
  auto finishWith = [&](SlotDialogChoice::Action action) {
    choice = {action, pickedSlot()};
    dialog.accept();
  };

  TileKeys keys;
  keys.onKey = [&](int key) {
    const int row = list->currentRow();
    switch (key) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (load->isEnabled()) finishWith(SlotDialogChoice::Action::Load);
        return true;
      case Qt::Key_Select:  // the pad's A: loads a filled slot, saves into an empty one
        if (load->isEnabled()) {
          finishWith(SlotDialogChoice::Action::Load);
        } else if (save->isEnabled()) {
          finishWith(SlotDialogChoice::Action::Save);
        }
        return true;
      case Qt::Key_Save:  // the pad's X: saves, over a filled slot only once asked
        if (save->isEnabled()) finishWith(SlotDialogChoice::Action::Save);
        return true;
      case Qt::Key_Delete:
        if (remove->isEnabled()) finishWith(SlotDialogChoice::Action::Delete);
        return true;
      case Qt::Key_PageUp:
        showPage(page - 1, row);
        return true;
      case Qt::Key_PageDown:
        showPage(page + 1, row);
        return true;
      case Qt::Key_Left:
        if (row > 0 || page == 0) return false;
        showPage(page - 1, kTilesPerPage - 1);
        return true;
      case Qt::Key_Right:
        if (row + 1 < list->count() || page + 1 >= pages) return false;
        showPage(page + 1, 0);
        return true;
      default:
        return false;
    }
  };
  list->installEventFilter(&keys);

  QObject::connect(list, &QListWidget::currentRowChanged, &dialog, updateButtons);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, [&] {
    if (load->isEnabled()) finishWith(SlotDialogChoice::Action::Load);
  });
  QObject::connect(previous, &QPushButton::clicked, &dialog, [&] { showPage(page - 1, 0); });
  QObject::connect(next, &QPushButton::clicked, &dialog, [&] { showPage(page + 1, 0); });
  QObject::connect(save, &QPushButton::clicked, &dialog, [&] { finishWith(SlotDialogChoice::Action::Save); });
  QObject::connect(load, &QPushButton::clicked, &dialog, [&] { finishWith(SlotDialogChoice::Action::Load); });
  QObject::connect(remove, &QPushButton::clicked, &dialog, [&] { finishWith(SlotDialogChoice::Action::Delete); });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

  const int litAt = int(std::find(order.begin(), order.end(), lit) - order.begin());
  showPage(litAt / kTilesPerPage, litAt % kTilesPerPage);
  list->setFocus();
  dialog.exec();
  return choice;
}
