#pragma once
// The settings dialog (設定) and the disclaimer (注意事項). Both stay on top and have no close
// button; the settings dialog works on the Simulation's dialog model.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace corvala {

class Simulation;

class SettingsDialog final : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(Simulation& sim, QWidget* parent);
    // Shows the model's fields and visibility.
    void Refresh();

signals:
    void changed();

protected:
    void closeEvent(QCloseEvent* event) override;  // acts as 設定
    void reject() override;                        // Escape: キャンセル
    bool event(QEvent* event) override;

private:
    void Act(const std::function<void()>& action);

    Simulation& sim_;
    QLineEdit* folder_;
    QPushButton* browse_;
    QComboBox* barLength_;
    QLineEdit* periods_[2];
    QComboBox* oneKeys_[4];
    QLineEdit* oneKeyUnits_;
    QCheckBox* oneKeyConfirm_;
    QCheckBox* hideRange_;
    QPushButton* apply_;
    QPushButton* cancel_;
    bool placed_ = false;
};

class DisclaimerDialog final : public QDialog {
    Q_OBJECT
public:
    DisclaimerDialog(Simulation& sim, QWidget* parent);

protected:
    void closeEvent(QCloseEvent* event) override;  // only 閉じる closes it

private:
    QCheckBox* dontShow_;
};

}  // namespace corvala
