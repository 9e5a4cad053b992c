#include "archive/ui/card_list_grid.h"

#include "archive/card_list_model.h"
#include "settings/kankyo.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTableView>

QTableView* makeCardGrid(CardListModel& model, const EnvironmentSettings& environment,
                         QWidget* owner) {
    auto* grid = new QTableView(owner);
    grid->setObjectName(QStringLiteral("vGrid1"));
    grid->setModel(&model);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideNone);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setHighlightSections(false);
    if (!environment.listFontName.isEmpty()) {
        QFont font(environment.listFontName);
        if (environment.listFontSize > 0) font.setPointSize(environment.listFontSize);
        grid->setFont(font);
    }
    model.setAlternateColour(environment.alternateRowColour());
    grid->installEventFilter(owner);
    return grid;
}

QAction* addListCommand(QWidget* window, QMenu* menu, const char* name, const QString& caption,
                        const QKeySequence& key, std::function<void()> handler) {
    auto* action = new QAction(caption, window);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    QObject::connect(action, &QAction::triggered, window, [handler] { handler(); });
    menu->addAction(action);
    window->addAction(action);  // its key works without the menu
    return action;
}

int currentListIndex(const QTableView* grid, const CardListModel& model) {
    const QModelIndex at = grid->currentIndex();
    return at.isValid() ? model.indexOfRow(at.row()) : -1;
}

void setCurrentListIndex(QTableView* grid, const CardListModel& model, int index) {
    if (model.shownCount() == 0) return;
    index = std::clamp(index, 0, model.shownCount() - 1);
    const QModelIndex at = model.index(model.rowOfIndex(index), 2);
    grid->setCurrentIndex(at);
    grid->scrollTo(at);
}

bool handleCardGridKey(QEvent* event, QTableView* grid, CardListModel& model,
                       const std::function<void()>& open, QWidget* window) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Space) {
        model.toggleSelected(currentListIndex(grid, model));
        const int row = grid->currentIndex().row();
        if (row + 1 < model.shownCount())
            grid->setCurrentIndex(model.index(row + 1, grid->currentIndex().column()));
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        open();
        return true;
    }
    if (key == Qt::Key_Escape) {
        window->close();
        return true;
    }
    return false;
}
