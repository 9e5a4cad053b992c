#include "archive/card_list_model.h"

#include <algorithm>

QString cardListOrderTitle(int order) {
    switch (order) {
        case 0: return QStringLiteral("ファイル時刻の新しい順）");
        case 2: return QStringLiteral("コールサインの順）");
        default: return QStringLiteral("交信年月日の順）");
    }
}

CardListModel::CardListModel(QStringList headers, std::vector<int> centred, QObject* parent)
    : QAbstractTableModel(parent),
      headers_(std::move(headers)),
      centred_(std::move(centred)),
      columns_(static_cast<int>(headers_.size())) {}

void CardListModel::reset(std::vector<QStringList> rows) {
    beginResetModel();
    shown_ = std::move(rows);
    selected_.assign(shown_.size(), 0);
    nextFind_ = 0;
    endResetModel();
}

void CardListModel::setRows(std::vector<QStringList> rows) {
    working_ = rows;
    origin_.resize(rows.size());
    for (size_t i = 0; i < origin_.size(); ++i)
        origin_[i] = static_cast<int>(i);
    reset(std::move(rows));
}

void CardListModel::showAll() {
    origin_.resize(working_.size());
    for (size_t i = 0; i < origin_.size(); ++i)
        origin_[i] = static_cast<int>(i);
    reset(working_);
}

int CardListModel::indexOfRow(int row) const {
    return descending_ ? shownCount() - 1 - row : row;
}

QString CardListModel::item(int index, int column) const {
    if (index < 0 || index >= shownCount()) return {};
    const QStringList& items = shown_[static_cast<size_t>(index)];
    return column < items.size() ? items[column] : QString();
}

void CardListModel::setDescending(bool on) {
    if (on == descending_) return;
    beginResetModel();
    descending_ = on;
    endResetModel();
}

void CardListModel::toggleSelected(int index) {
    setSelected(index, !isSelected(index));
}

void CardListModel::setSelected(int index, bool on) {
    if (index < 0 || index >= shownCount()) return;
    selected_[static_cast<size_t>(index)] = on;
    const int row = rowOfIndex(index);
    Q_EMIT dataChanged(this->index(row, 0), this->index(row, columns_ - 1));
}

bool CardListModel::isSelected(int index) const {
    return index >= 0 && index < shownCount() && selected_[static_cast<size_t>(index)];
}

std::vector<int> CardListModel::selectedIndexes() const {
    std::vector<int> out;
    for (size_t i = 0; i < selected_.size(); ++i)
        if (selected_[i]) out.push_back(static_cast<int>(i));
    return out;
}

void CardListModel::clearSelection() {
    beginResetModel();
    std::fill(selected_.begin(), selected_.end(), 0);
    endResetModel();
}

int CardListModel::keepIf(const std::function<bool(const QStringList&)>& keep) {
    std::vector<QStringList> rows;
    std::vector<int> origin;
    for (size_t i = 0; i < shown_.size(); ++i) {
        if (!keep(shown_[i])) continue;
        rows.push_back(shown_[i]);
        origin.push_back(origin_[i]);
    }
    const int kept = static_cast<int>(rows.size());
    if (kept == 0) return 0;
    origin_ = std::move(origin);
    reset(std::move(rows));
    return kept;
}

void CardListModel::removeIndexes(std::vector<int> indexes) {
    std::sort(indexes.begin(), indexes.end(), std::greater<>());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    beginResetModel();
    for (int i : indexes) {
        if (i < 0 || i >= shownCount()) continue;
        shown_.erase(shown_.begin() + i);
        origin_.erase(origin_.begin() + i);
        selected_.erase(selected_.begin() + i);
    }
    endResetModel();
}

void CardListModel::setItem(int index, int column, const QString& text) {
    if (index < 0 || index >= shownCount() || column < 0) return;
    QStringList& items = shown_[static_cast<size_t>(index)];
    while (items.size() <= column)
        items.append(QString());
    items[column] = text;
    const size_t from = static_cast<size_t>(origin_[static_cast<size_t>(index)]);
    if (from < working_.size()) working_[from] = items;
    const int row = rowOfIndex(index);
    Q_EMIT dataChanged(this->index(row, 0), this->index(row, columns_ - 1));
}

std::optional<int> CardListModel::nextMarked(const QString& mark) {
    for (int i = std::max(nextFind_, 0); i < shownCount(); ++i) {
        if (item(i, 0) == mark) {
            nextFind_ = i + 1;
            return i;
        }
    }
    nextFind_ = 0;
    return std::nullopt;
}

void CardListModel::setAlternateColour(std::optional<QColor> colour) {
    alternate_ = colour;
    if (!shown_.empty()) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columns_ - 1));
}

int CardListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownCount();
}

int CardListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

void CardListModel::setColumnCount(int count) {
    count = std::clamp(count, 1, static_cast<int>(headers_.size()));
    if (count == columns_) return;
    beginResetModel();
    columns_ = count;
    endResetModel();
}

QVariant CardListModel::data(const QModelIndex& at, int role) const {
    if (!at.isValid() || at.row() >= shownCount()) return {};
    const int listIndex = indexOfRow(at.row());
    switch (role) {
        case Qt::DisplayRole:
            return at.column() == 0 ? QString::number(at.row() + 1)
                                    : item(listIndex, at.column() - 1);
        case Qt::TextAlignmentRole: {
            const bool centre =
                std::find(centred_.begin(), centred_.end(), at.column()) != centred_.end();
            return QVariant::fromValue(Qt::AlignVCenter |
                                       (centre ? Qt::AlignHCenter : Qt::AlignLeft));
        }
        case Qt::BackgroundRole:
            if (isSelected(listIndex)) return kSelectedRowColour;
            if (alternate_ && (listIndex % 2) == 1) return *alternate_;
            return {};
        default: return {};
    }
}

QVariant CardListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section >= 0 && section < headers_.size() ? headers_[section] : QVariant();
}
