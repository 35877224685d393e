#pragma once

#include "platform/service.h"

#include <QString>

namespace platform {

enum class MsgIcon { None, Error, Question, Warning, Information };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

// Message boxes with no owner window, brought to the foreground. Texts use a single
// carriage return (char 13) as line break; only the Qt implementation turns it into a
// visible line break.
class MessageBoxService : public Service<MessageBoxService> {
public:
    virtual MsgResult show(const QString& caption, const QString& text, MsgIcon icon, MsgButtons buttons) = 0;
};

class QtMessageBoxService : public MessageBoxService {
public:
    MsgResult show(const QString& caption, const QString& text, MsgIcon icon, MsgButtons buttons) override;
};

}  // namespace platform
