#include "backends/qt/slot_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// An empty slot gets a blank of the same size, so that every row stands as tall.
QIcon thumbnailIcon(const SaveSummary& summary) {
  if (summary.thumbnail.empty()) {
    QPixmap blank(kThumbnailWidth, kThumbnailWidth * 3 / 4);
    blank.fill(QColor(0x30, 0x30, 0x30));
    return QIcon(blank);
  }
  const QImage image(reinterpret_cast<const uchar*>(summary.thumbnail.data()),
                     summary.thumbnailWidth, summary.thumbnailHeight,
                     summary.thumbnailWidth * int(sizeof(Pixel)), QImage::Format_RGB32);
  return QIcon(QPixmap::fromImage(image.copy()));
}

}  // namespace

SlotDialogChoice runSlotDialog(QWidget* parent, const SlotListing* listings, int32_t count,
                               bool canSave) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("しおり"));
  auto* list = new QListWidget(&dialog);
  list->setIconSize(QSize(kThumbnailWidth, kThumbnailWidth * 3 / 4));
  list->setMinimumSize(560, 420);
  for (int32_t slot = 1; slot < count; ++slot) {
    const SlotListing& listing = listings[slot];
    auto* item = new QListWidgetItem(thumbnailIcon(listing.summary),
                                     QString::fromStdString(slotCaption(slot, listing)), list);
    item->setData(Qt::UserRole, slot);
  }
  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* save = buttons->addButton(QStringLiteral("セーブ"), QDialogButtonBox::ActionRole);
  QPushButton* load = buttons->addButton(QStringLiteral("ロード"), QDialogButtonBox::ActionRole);
  QPushButton* remove = buttons->addButton(QStringLiteral("削除"), QDialogButtonBox::ActionRole);
  buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(list);
  layout->addWidget(buttons);

  SlotDialogChoice choice;
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
  auto finishWith = [&](SlotDialogChoice::Action action) {
    choice = {action, pickedSlot()};
    dialog.accept();
  };
  QObject::connect(list, &QListWidget::currentRowChanged, &dialog, updateButtons);
  QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, [&] {
    if (load->isEnabled()) finishWith(SlotDialogChoice::Action::Load);
  });
  QObject::connect(save, &QPushButton::clicked, &dialog, [&] { finishWith(SlotDialogChoice::Action::Save); });
  QObject::connect(load, &QPushButton::clicked, &dialog, [&] { finishWith(SlotDialogChoice::Action::Load); });
  QObject::connect(remove, &QPushButton::clicked, &dialog, [&] { finishWith(SlotDialogChoice::Action::Delete); });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  list->setCurrentRow(0);
  updateButtons();
  dialog.exec();
  return choice;
}
