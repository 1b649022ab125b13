#pragma once
// Qt adapters of the ports, linked into the GUI only.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>

#include "platform/ports.h"
#include "platform/qt/qt_scheduler.h"

namespace corvala {

// Error boxes and questions placed over the main window, or, asked for another window of the
// program (an order window), owned by that window: above it, over its middle, and the
// keyboard back with it when the box closes. A box never hides under a window that stays on top.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }
    void ShowError(int number, const std::string& text) override;
    bool Ask(const std::string& title, const std::string& text) override;
    std::optional<bool> AskOrCancel(const std::string& title, const std::string& text) override;
    void ShowNotice(const std::string& title, const std::string& text) override;

    // While it lives, the boxes asked are `window`'s (none: the main window's).
    class AskingWindow {
    public:
        AskingWindow(QtDialogs* dialogs, QWidget* window);
        ~AskingWindow();
        AskingWindow(const AskingWindow&) = delete;
        AskingWindow& operator=(const AskingWindow&) = delete;

    private:
        QtDialogs* dialogs_;
        QPointer<QWidget> before_;
    };

private:
    QWidget* Parent() const;
    void Prepare(QMessageBox& box) const;
    int Question(const std::string& title, const std::string& text, QMessageBox::StandardButtons buttons);
    QPointer<QWidget> owner_;
    QPointer<QWidget> asking_;
};

// Callbacks on precise single-shot timers of the event loop. Callbacks still pending when the
// scheduler goes away never run.
// Sound files played through Qt Multimedia, one player per file so that a fill sound does not
// cut off a stop sound. A missing file is skipped and a missing audio device stays silent. A
// media backend that cannot decode MP3 (GStreamer without its plugins) plays nothing at all: it
// would crash when a player is made.
class QtSound final : public Sound {
public:
    QtSound();
    ~QtSound() override;
    void Play(const std::string& path) override;
    // What the backend said when the program started.
    bool canPlay() const { return canPlay_; }

private:
    struct Player;
    bool canPlay_;
    std::map<std::string, std::unique_ptr<Player>> players_;
};

// The system's folder dialog, opened without blocking; the answer comes when it closes.
class QtFolderPicker final : public FolderPicker {
public:
    explicit QtFolderPicker(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }
    void ChooseFolder(std::function<void(const std::string&)> done) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace corvala
