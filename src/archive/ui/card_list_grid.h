#pragma once
// What the received and the sent card lists share on the screen: the grid
// over their model, its keys (space marks a row and steps down, Enter
// opens it, Esc closes the window), the cursor by list index, and their
// commands, each on the popup menu with its key working without the menu.

#include <QKeySequence>
#include <QString>

#include <functional>

class CardListModel;
class QAction;
class QEvent;
class QMenu;
class QTableView;
class QWidget;
struct EnvironmentSettings;

// The grid of a list: the model's rows with the list's font and row colour,
// one line each; its keys reach `owner`'s event filter.
QTableView* makeCardGrid(CardListModel& model, const EnvironmentSettings& environment,
                         QWidget* owner);

// A command of the list's popup menu (and of the window, for its key).
QAction* addListCommand(QWidget* window, QMenu* menu, const char* name, const QString& caption,
                        const QKeySequence& key, std::function<void()> handler);

// The list index of the grid's current row, -1 when none; the cursor put on
// a list index (column 2, the card's name), kept within the list.
int currentListIndex(const QTableView* grid, const CardListModel& model);
void setCurrentListIndex(QTableView* grid, const CardListModel& model, int index);

// The grid's own keys; true when `event` was one of them.
bool handleCardGridKey(QEvent* event, QTableView* grid, CardListModel& model,
                       const std::function<void()>& open, QWidget* window);
