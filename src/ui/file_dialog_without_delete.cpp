#include "ui/file_dialog_without_delete.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>

void removeDeleteAndRename(QFileDialog& dialog)
{
    // The dialog's own actions, found by the names Qt gives them.
    for (const char* name : {"qt_rename_action", "qt_delete_action"}) {
        if (auto* action = dialog.findChild<QAction*>(QLatin1String(name))) {
            QObject::disconnect(action, &QAction::triggered, nullptr, nullptr);
            action->setEnabled(false);
            action->setVisible(false);
        }
    }
    // The Delete key is a shortcut of each view.
    for (auto* shortcut : dialog.findChildren<QShortcut*>()) {
        if (shortcut->key().matches(QKeySequence(QKeySequence::Delete)) == QKeySequence::ExactMatch)
            shortcut->setEnabled(false);
    }
    QAction* showHidden = dialog.findChild<QAction*>(QStringLiteral("qt_show_hidden_action"));
    QAction* newFolder = dialog.findChild<QAction*>(QStringLiteral("qt_new_folder_action"));
    QWidget* newFolderButton = dialog.findChild<QWidget*>(QStringLiteral("newFolderButton"));
    for (const char* name : {"listView", "treeView"}) {
        auto* view = dialog.findChild<QAbstractItemView*>(QLatin1String(name));
        if (!view)
            continue;
        // No F2 or click on a selected name; the dialog still opens the name
        // of a folder it has just made for editing (an edit it forces).
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        // A drop onto a folder moves files; a drag out lets another program
        // move them.
        view->setDragDropMode(QAbstractItemView::NoDragDrop);
        view->setAcceptDrops(false);
        view->viewport()->setAcceptDrops(false);
        // The dialog's own menu offers Rename and Delete: ours keeps the rest.
        QObject::disconnect(view, &QWidget::customContextMenuRequested, nullptr, nullptr);
        QObject::connect(view, &QWidget::customContextMenuRequested, view,
                         [view, showHidden, newFolder, newFolderButton](const QPoint& at) {
                             auto* menu = new QMenu(view);
                             menu->setAttribute(Qt::WA_DeleteOnClose);
                             if (showHidden)
                                 menu->addAction(showHidden);
                             if (newFolder && newFolderButton && newFolderButton->isVisible()) {
                                 newFolder->setEnabled(newFolderButton->isEnabled());
                                 menu->addAction(newFolder);
                             }
                             menu->popup(view->viewport()->mapToGlobal(at));
                         });
    }
}
