#pragma once

#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/filedialogs.h"
#include "platform/messagebox.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>

// Scripted doubles of the platform services. Each records what the program asked of it.

struct ShownMessage {
    QString caption;
    QString text;
    platform::MsgIcon icon;
    platform::MsgButtons buttons;
    std::optional<platform::MsgResult> defaultButton;
};

// Every box the program shows takes the next scripted answer, an error box with only OK as
// well. A box with no answer left fails the test (and gets Cancel, or OK for an OK box), and
// so do answers still unused when the fake goes away.
class ScriptedMessageBox : public platform::MessageBoxService {
public:
    ScriptedMessageBox() = default;
    ~ScriptedMessageBox() override;
    ScriptedMessageBox(const ScriptedMessageBox&) = delete;
    ScriptedMessageBox& operator=(const ScriptedMessageBox&) = delete;

    std::deque<platform::MsgResult> answers;
    QList<ShownMessage> shown;
    std::function<void(const ShownMessage&)> onShow;  // runs while the box would be on screen

    using platform::MessageBoxService::show;
    platform::MsgResult show(const QString& caption, const QString& text, platform::MsgIcon icon,
                             platform::MsgButtons buttons, std::optional<platform::MsgResult> defaultButton) override;
};

class ScriptedFileDialogs : public platform::FileDialogService {
public:
    std::deque<QString> openAnswers;  // empty string = cancelled
    std::deque<QString> saveAnswers;
    QList<platform::FileDialogRequest> openRequests;
    QList<platform::FileDialogRequest> saveRequests;

    QString getOpenFileName(const platform::FileDialogRequest& request) override;
    QString getSaveFileName(const platform::FileDialogRequest& request) override;
};

class FakeCursor : public platform::CursorService {
public:
    int busyCalls = 0;
    int normalCalls = 0;
    void setBusy() override { ++busyCalls; busy_ = true; }
    void setNormal() override { ++normalCalls; busy_ = false; }
    bool isBusy() const override { return busy_; }

private:
    bool busy_ = false;
};

class FakeClock : public platform::ClockService {
public:
    QDateTime time = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 33));
    QDateTime now() const override { return time; }
};

// Installs a message box, file dialogs, cursor and clock fake for one test.
class FakeServices {
public:
    ScriptedMessageBox messages;
    ScriptedFileDialogs dialogs;
    FakeCursor cursor;
    FakeClock clock;

    FakeServices();
    ~FakeServices();
    FakeServices(const FakeServices&) = delete;
    FakeServices& operator=(const FakeServices&) = delete;
};
