#include "tests/support/fakes.h"

#include <gtest/gtest.h>

ScriptedMessageBox::~ScriptedMessageBox()
{
    if (!answers.empty())
        ADD_FAILURE() << answers.size() << " scripted message box answer(s) left unused";
}

platform::MsgResult ScriptedMessageBox::show(const QString& caption, const QString& text, platform::MsgIcon icon,
                                             platform::MsgButtons buttons,
                                             std::optional<platform::MsgResult> defaultButton)
{
    shown.append({caption, text, icon, buttons, defaultButton});
    if (onShow)
        onShow(shown.last());
    if (!answers.empty()) {
        const platform::MsgResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    ADD_FAILURE() << "message box nobody scripted: \"" << caption.toStdString() << "\" \"" << text.toStdString() << "\"";
    return buttons == platform::MsgButtons::Ok ? platform::MsgResult::Ok : platform::MsgResult::Cancel;
}

QString ScriptedFileDialogs::getOpenFileName(const platform::FileDialogRequest& request)
{
    openRequests.append(request);
    if (openAnswers.empty())
        return {};
    QString answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QString ScriptedFileDialogs::getSaveFileName(const platform::FileDialogRequest& request)
{
    saveRequests.append(request);
    if (saveAnswers.empty())
        return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

FakeServices::FakeServices()
{
    platform::MessageBoxService::install(&messages);
    platform::FileDialogService::install(&dialogs);
    platform::CursorService::install(&cursor);
    platform::ClockService::install(&clock);
}

FakeServices::~FakeServices()
{
    platform::MessageBoxService::install(nullptr);
    platform::FileDialogService::install(nullptr);
    platform::CursorService::install(nullptr);
    platform::ClockService::install(nullptr);
}
