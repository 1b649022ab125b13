#include "platform/qt/qt_ports.h"

#include <algorithm>

#include <QApplication>
#include <QAudioOutput>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMediaFormat>
#include <QMediaPlayer>
#include <QUrl>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace corvala {
namespace {

// The buttons in Japanese, whatever translations Qt has loaded.
void CaptionButtons(QMessageBox& box) {
    if (QAbstractButton* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("はい(&Y)"));
    if (QAbstractButton* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("いいえ(&N)"));
    if (QAbstractButton* b = box.button(QMessageBox::Ok)) b->setText(QStringLiteral("OK"));
    if (QAbstractButton* b = box.button(QMessageBox::Cancel)) b->setText(QStringLiteral("キャンセル"));
}

// The window that asked has the keyboard again, so that the next key is the order's.
void GiveBackKeys(QWidget* asking) {
    if (!asking || !asking->isVisible()) return;
    asking->raise();
    asking->activateWindow();
}

}  // namespace

struct QtSound::Player {
    QAudioOutput output;
    QMediaPlayer player;
};

// Asking for the decoders makes no player, so it is safe whatever the backend lacks.
QtSound::QtSound()
    : canPlay_(QMediaFormat().supportedAudioCodecs(QMediaFormat::Decode).contains(QMediaFormat::AudioCodec::MP3)) {}
QtSound::~QtSound() = default;

void QtSound::Play(const std::string& path) {
    if (!canPlay_) return;
    auto& slot = players_[path];
    if (!slot) {
        const QString file = QString::fromStdString(path);
        if (!QFileInfo::exists(file)) {
            players_.erase(path);  // looked for again next time: the file may be put back
            return;
        }
        slot = std::make_unique<Player>();
        slot->player.setAudioOutput(&slot->output);
        slot->player.setSource(QUrl::fromLocalFile(file));
    }
    slot->player.setPosition(0);
    slot->player.play();
}

QtDialogs::AskingWindow::AskingWindow(QtDialogs* dialogs, QWidget* window) : dialogs_(dialogs) {
    if (!dialogs_) return;
    before_ = dialogs_->asking_;
    dialogs_->asking_ = window;
}

QtDialogs::AskingWindow::~AskingWindow() {
    if (dialogs_) dialogs_->asking_ = before_;
}

QWidget* QtDialogs::Parent() const {
    if (asking_ && asking_->isVisible()) return asking_;
    return owner_;
}

// A box comes up over the middle of the window it was asked for: an order window's over that
// window, the main window's over the main window, or over another window of the program when that
// one is active; and always wholly on its screen.
void QtDialogs::Prepare(QMessageBox& box) const {
    CaptionButtons(box);
    QWidget* parent = Parent();
    // Owned by a window that stays on top, or shown while one is on screen, the box stays on top
    // too: under such a window it could be neither seen nor answered.
    bool onTop = false;
    for (const QWidget* w : QApplication::topLevelWidgets())
        onTop = onTop || (w->isVisible() && w != &box && (w->windowFlags() & Qt::WindowStaysOnTopHint));
    if (onTop) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (!parent) return;
    box.adjustSize();
    const QWidget* active = QApplication::activeWindow();
    const QWidget* over = parent != owner_                                                    ? parent->window()
                          : active && active != owner_->window() && active->isWindow() ? active
                                                                                        : owner_->window();
    const QSize size = box.sizeHint();
    QPoint at = over->frameGeometry().center() - QPoint(size.width() / 2, size.height() / 2);
    if (const QScreen* screen = over->screen()) {
        const QRect free = screen->availableGeometry();
        at.setX(std::clamp(at.x(), free.left(), std::max(free.left(), free.right() + 1 - size.width())));
        at.setY(std::clamp(at.y(), free.top(), std::max(free.top(), free.bottom() + 1 - size.height())));
    }
    box.move(at);
}

void QtDialogs::ShowError(int number, const std::string& text) {
    auto* box = new QMessageBox(Parent());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Critical);
    box->setWindowTitle(QString::number(number) + QStringLiteral(" エラー"));
    box->setText(QString::fromStdString(text));
    box->setStandardButtons(QMessageBox::Ok);
    box->setWindowModality(Qt::ApplicationModal);
    Prepare(*box);
    if (owner_ && owner_->isVisible()) {
        QObject::connect(box, &QDialog::finished, box, [asking = asking_] { GiveBackKeys(asking); });
        box->open();
    } else {
        // Nothing is on screen yet (start-up): the box must be read before anything goes on.
        box->exec();
    }
}

bool QtDialogs::Ask(const std::string& title, const std::string& text) {
    return Question(title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<bool> QtDialogs::AskOrCancel(const std::string& title, const std::string& text) {
    const int answer = Question(title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes || answer == QMessageBox::No) return answer == QMessageBox::Yes;
    return std::nullopt;  // キャンセル, or the box closed
}

int QtDialogs::Question(const std::string& title, const std::string& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(Parent());
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    box.setStandardButtons(buttons);
    if (buttons & QMessageBox::Cancel) box.setEscapeButton(QMessageBox::Cancel);
    Prepare(box);
    const int answer = box.exec();
    GiveBackKeys(asking_);
    return answer;
}

void QtDialogs::ShowNotice(const std::string& title, const std::string& text) {
    QMessageBox box(Parent());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    box.setStandardButtons(QMessageBox::Ok);
    Prepare(box);
    box.exec();
    GiveBackKeys(asking_);
}

void QtFolderPicker::ChooseFolder(std::function<void(const std::string&)> done) {
    auto* dialog = new QFileDialog(owner_, QStringLiteral("フォルダの選択"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
        QString chosen;
        if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
            chosen = QDir::cleanPath(dialog->selectedFiles().first());  // no trailing separator
        done(chosen.toStdString());
    });
    dialog->open();
}

}  // namespace corvala
