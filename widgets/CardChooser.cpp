#include "widgets/CardChooser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kovex {

namespace {

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QTreeWidget* CardList(QDialog& dialog, const std::vector<CardChoice>& cards) {
    auto* list = new QTreeWidget(&dialog);
    list->setObjectName("CardList");
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    list->setHeaderLabels({"Address", "Subsystem", "In use by"});
    int firstFree = -1;
    for (const CardChoice& card : cards) {
        const QString subsystem = card.subsystem.empty() ? "unknown" : Utf8(card.subsystem);
        new QTreeWidgetItem(list, {Utf8(card.address), subsystem, Utf8(card.heldBy)});
        if (firstFree < 0 && card.heldBy.empty()) firstFree = list->topLevelItemCount() - 1;
    }
    list->setCurrentItem(list->topLevelItem(firstFree < 0 ? 0 : firstFree));
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return list;
}

}  // namespace

std::optional<std::size_t> RunCardChooser(QWidget* parent, const std::vector<CardChoice>& cards) {
    QDialog dialog(parent);
    dialog.setObjectName("CardChooser");
    dialog.setWindowTitle(CARD_CHOOSER_TITLE);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(
        "The bus holds more than one PCI 9030 bridge. Choose the KOVEX card to open:", &dialog));
    QTreeWidget* list = CardList(dialog, cards);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QTreeWidget::itemActivated, &dialog, &QDialog::accept);
    dialog.resize(dialog.sizeHint().expandedTo({480, 0}));
    if (dialog.exec() != QDialog::Accepted || list->currentItem() == nullptr) return std::nullopt;
    return static_cast<std::size_t>(list->indexOfTopLevelItem(list->currentItem()));
}

}  // namespace kovex
