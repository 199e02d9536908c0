#include "PropertiesWindow.h"

#include <QDialog>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quorvel {

QWidget *showSourceProperties(QWidget *parent, const QList<QPair<QString, QString>> &props)
{
    auto *dialog = new QDialog(parent ? parent->window() : nullptr);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("QuorvelDeviceProperties"));
    dialog->setWindowTitle(QStringLiteral("设备属性/Device Properties"));
    auto *tree = new QTreeWidget(dialog);
    tree->setColumnCount(2);
    tree->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    for (const auto &p : props)
        tree->addTopLevelItem(new QTreeWidgetItem(QStringList{p.first, p.second}));
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(tree);
    dialog->resize(480, 360);
    dialog->open();  // window-modal, returns at once
    return dialog;
}

} // namespace quorvel
