#pragma once

#include "platform/service.h"

#include <QString>
#include <optional>

namespace platform {

enum class MsgIcon { None, Error, Question, Warning, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

// Message boxes with no owner window, brought to the foreground. Texts use a single
// carriage return (char 13) as line break; only the Qt implementation turns it into a
// visible line break.
// The default button is the first one (OK or Yes) unless a question names another, as
// the questions do whose safe answer is No.
class MessageBoxService : public Service<MessageBoxService> {
public:
    virtual MsgResult show(const QString& caption, const QString& text, MsgIcon icon, MsgButtons buttons,
                           std::optional<MsgResult> defaultButton) = 0;
    MsgResult show(const QString& caption, const QString& text, MsgIcon icon, MsgButtons buttons)
    {
        return show(caption, text, icon, buttons, std::nullopt);
    }
};

class QtMessageBoxService : public MessageBoxService {
public:
    using MessageBoxService::show;
    MsgResult show(const QString& caption, const QString& text, MsgIcon icon, MsgButtons buttons,
                   std::optional<MsgResult> defaultButton) override;
};

}  // namespace platform
