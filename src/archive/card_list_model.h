#pragma once
// The rows of a card list as its grid shows them: the rows a build gave (the
// working list) and the rows shown (a copy that filters and deletions
// shrink), each row kept as its items, the person's selection marks (space
// key), the bottom-up display, and the walk to the next unmatched row. The
// received and the sent list add their columns and commands.

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class CardListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `headers`: the grid's column captions, column 0 ("No") first;
    // `centred`: the columns drawn centred (the others left with an indent).
    CardListModel(QStringList headers, std::vector<int> centred, QObject* parent = nullptr);

    // A new build: both lists become `rows`; selection and filters go.
    void setRows(std::vector<QStringList> rows);
    // The rows shown become the working list again.
    void showAll();

    // Grid rows (0 = the first shown row) and list indexes (the position in
    // the rows shown) differ when the list is shown bottom-up.
    int shownCount() const { return static_cast<int>(shown_.size()); }
    int indexOfRow(int row) const;
    int rowOfIndex(int index) const { return indexOfRow(index); }
    const QStringList& itemsAt(int index) const { return shown_[static_cast<size_t>(index)]; }
    // An item of the row shown at list index `index`; empty past its end.
    QString item(int index, int column) const;

    bool descending() const { return descending_; }
    void setDescending(bool on);

    // The selection marks, by list index.
    void toggleSelected(int index);
    bool isSelected(int index) const;
    std::vector<int> selectedIndexes() const;
    void clearSelection();
    void setSelected(int index, bool on);

    // Keeps the rows `keep` accepts; the number kept. When none would be
    // kept, nothing changes.
    int keepIf(const std::function<bool(const QStringList&)>& keep);
    // Takes the rows at these list indexes out of the rows shown.
    void removeIndexes(std::vector<int> indexes);
    // Replaces one item of a row shown (and of the working row it came from).
    void setItem(int index, int column, const QString& text);

    // The next row from the last find on whose first item is `mark`; at the
    // end nothing, and the next walk starts at the top again.
    std::optional<int> nextMarked(const QString& mark);

    // The alternate colour of odd rows; none when it is the window colour.
    void setAlternateColour(std::optional<QColor> colour);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Columns beyond the first `count` are hidden (the detail columns).
    void setColumnCount(int count);

private:
    void reset(std::vector<QStringList> rows);

    QStringList headers_;
    std::vector<int> centred_;
    int columns_ = 0;
    std::vector<QStringList> working_;
    std::vector<QStringList> shown_;
    std::vector<int> origin_;  // for each row shown, its working row
    std::vector<char> selected_;
    bool descending_ = false;
    int nextFind_ = 0;
    std::optional<QColor> alternate_;
};

// The end of a card list's title for its order: 0 by file time, 1 by QSO
// date, 2 by call sign.
QString cardListOrderTitle(int order);

// The selection colour of a card list's rows (orange).
inline const QColor kSelectedRowColour{255, 128, 0};
