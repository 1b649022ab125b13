#pragma once
// Pieces the order dialogs share: number boxes with their ▲▼ spins, the order-type and stop part
// of a form, and the dialog frame (on top, no Close item, a close by other means is キャンセル,
// the screen position kept while the program runs).

#include <QDialog>
#include <QLineEdit>
#include <QPoint>
#include <array>
#include <utility>
#include <functional>
#include <optional>

#include "app/simulation.h"
#include "platform/qt/qt_ports.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace corvala {

// Controls of the order dialogs at fixed places.
QLabel* DialogText(QWidget* parent, const char* text, int x, int y, int width);
QPushButton* DialogButton(QWidget* parent, const char* text, const char* name, int x, int y, int width);
// Two options in one group at (x, y), each `width` wide.
std::pair<QRadioButton*, QRadioButton*> OptionPair(QWidget* parent, const char* first, const char* firstName,
                                                   const char* second, const char* secondName, int x, int y,
                                                   int width = 56);

// A number box: input method off, everything selected on focus; its ▲▼ pair beside it.
class NumberEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberEdit(QWidget* parent, const char* name);
    QToolButton* up() const { return up_; }
    QToolButton* down() const { return down_; }
    // Places the box and its spins; `spins` false hides them.
    void Place(int x, int y, int width, bool spins = true);
    // The model's text, with the caret at the end when it changed.
    void ShowText(const std::string& text);

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    QToolButton* up_;
    QToolButton* down_;
};

// Order type, the normal part (指値/成行 and the price) and the stop part.
class OrderPartWidget final : public QWidget {
    Q_OBJECT
public:
    explicit OrderPartWidget(QWidget* parent);
    void Show(const NewOrderForm& form);
    NumberEdit* edit(OrderField field) const;
    static constexpr int kHeight = 150;

signals:
    void kindChosen(int kind);  // 0 通常, 1 逆指値付, 2 逆指値
    void optionChosen(int option, bool on);  // OrderDialogs::OrderOption
    void textEdited(int field, const QString& text);  // OrderField
    void spinPressed(int field, bool up);

private:
    std::array<QRadioButton*, 3> kinds_{};
    QRadioButton* limit_;
    QRadioButton* market_;
    NumberEdit* price_;
    QLabel* priceCaption_;
    QWidget* stopPart_;
    NumberEdit* trigger_;
    QRadioButton* above_;
    QRadioButton* below_;
    QRadioButton* stopLimit_;
    QRadioButton* stopMarket_;
    NumberEdit* stopPrice_;
    QLabel* closingWords_;
};

// The frame of an order dialog.
class OrderDialogFrame : public QDialog {
    Q_OBJECT
public:
    explicit OrderDialogFrame(QWidget* parent);
    // Shows or hides the dialog as the model says; a dialog shown again comes back where it was.
    void SetShown(bool shown);
    // Where the dialog was last hidden in the normal state (nothing before the first time).
    std::optional<QPoint> savedPosition() const { return savedPosition_; }
    void SetSavedPosition(const QPoint& corner) { savedPosition_ = corner; }
    // The message boxes of the program: a question asked while this window acts is this window's.
    void SetBoxes(QtDialogs* boxes) { boxes_ = boxes; }
    // Runs a user action on the model and says the windows are to be refreshed.
    void Act(const std::function<void()>& action);

signals:
    void cancelRequested();
    void changed();
    void activated();  // the window has the keyboard: it is the order window in use

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Escape
    bool event(QEvent* event) override;

private:
    std::optional<QPoint> savedPosition_;
    QtDialogs* boxes_ = nullptr;
};

}  // namespace corvala
