#pragma once
// The three order dialogs: 新規注文 / 訂正注文, 返済注文 / 訂正返済注文 and 訂正取消. Each copies
// its model from the Simulation and forwards what the user does; the main window refreshes them.

#include <array>

#include "ui/order_widgets.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;

namespace corvala {

class NewOrderDialog final : public OrderDialogFrame {
    Q_OBJECT
public:
    NewOrderDialog(Simulation& sim, QWidget* parent);
    void Refresh();

protected:
    bool event(QEvent* event) override;

private:
    Simulation& sim_;
    QWidget* sideFrame_;
    QRadioButton* buy_;
    QRadioButton* sell_;
    QLabel* sideLabel_;
    NumberEdit* quantity_;
    OrderPartWidget* part_;
    QLabel* capacity_;
    QCheckBox* alert_;
    QWidget* footer_;
    QPushButton* submit_;
    bool wasShown_ = false;
};

class ClosingOrderDialog final : public OrderDialogFrame {
    Q_OBJECT
public:
    ClosingOrderDialog(Simulation& sim, QWidget* parent);
    void Refresh();

private:
    void CommitRow(int row);
    Simulation& sim_;
    QWidget* sideFrame_;
    QRadioButton* first_;
    QRadioButton* second_;
    QLabel* sideLabel_;
    QListWidget* holdings_;
    std::array<QLineEdit*, kCloseRows> rows_{};
    std::array<QPushButton*, kCloseRows> toggles_{};
    std::array<QTimer*, kCloseRows> rowTimers_{};
    QPushButton* bulk_;
    QLineEdit* quantity_;
    OrderPartWidget* part_;
    QWidget* footer_;
    QPushButton* submit_;
};

class CorrectCancelDialog final : public OrderDialogFrame {
    Q_OBJECT
public:
    CorrectCancelDialog(Simulation& sim, QWidget* parent);
    void Refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Simulation& sim_;
    QListWidget* list_;
};

}  // namespace corvala
