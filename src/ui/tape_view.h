#pragma once
// The tape list (歩み値): time, volume and price of each shown print, newest on top. The model
// reads the core's rows in place, so a new row on top costs the same at 15:00 as at 09:00.

#include <QAbstractTableModel>
#include <QTableView>
#include <vector>

#include "trading/matching.h"

namespace corvala {

class TapeModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TapeModel(QObject* parent) : QAbstractTableModel(parent) {}
    // Follows the first `count` of `rows` (oldest first): new rows arrive on top; fewer start over.
    void Sync(const std::vector<TapeRow>& rows, int count);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const std::vector<TapeRow>* rows_ = nullptr;
    int shown_ = 0;
};

class TapeView final : public QTableView {
    Q_OBJECT
public:
    explicit TapeView(QWidget* parent);
    void Show(const std::vector<TapeRow>& rows, int count) { model_->Sync(rows, count); }
    // Brings row `oldestFirst` of the rows shown (counted from the oldest) to the top.
    void ScrollToRow(int oldestFirst);
    TapeModel* tapeModel() const { return model_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TapeModel* model_;
};

}  // namespace corvala
