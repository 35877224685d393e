#pragma once

#include "platform/instanceguard.h"

#include <QStringList>

#include <functional>

class QWidget;

// The single-instance guard, one instance per desktop session. With the setting
// SingleInstance on, the first start holds a kernel lock for as long as it runs and answers
// later starts; a later start hands it its activation token, working folder and command
// line, and ends once it has answered. The running instance opens those files and comes to
// the front.

// True when another instance runs and has taken this start's request; the caller then
// ends the program with exit code 0. False when this is the only instance, when the lock
// cannot be made, when the running instance does not answer within 2 s (then one German
// line on standard error says so), and always when SingleInstance is off (then nothing is
// created or tested).
bool CheckSingleInstance(const QStringList& commandLine = {});

// What the first instance does with a later start's request; the frame opens its files and
// raises itself. Runs in the event loop.
void SetRequestHandler(std::function<void(const platform::InstanceRequest&)> handler);

// The line on standard error when the running instance does not answer.
QString NoAnswerMessage();

// Restores a minimised window and brings it to the front with the keyboard focus, with the
// desktop's activation token of the start that asked for it when there is one.
void RestoreAndRaise(QWidget* window, const QByteArray& activationToken = {});
