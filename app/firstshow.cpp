#include "app/firstshow.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

class ExposeWatch : public QObject {
public:
    ExposeWatch(QWidget* widget, QWindow* window, std::function<void()> callback)
        : QObject(window), widget_(widget), window_(window), callback_(std::move(callback))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::Expose && window_->isExposed() && callback_) {
            window_->removeEventFilter(this);
            // After the expose has been handled, so that the window is drawn first.
            if (widget_)
                QTimer::singleShot(0, widget_.data(), [callback = std::move(callback_)] { callback(); });
            callback_ = nullptr;
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> widget_;
    QWindow* window_;
    std::function<void()> callback_;
};

}  // namespace

void CallOnceExposed(QWidget* window, std::function<void()> callback)
{
    if (!window || !callback)
        return;
    QWindow* handle = window->windowHandle();
    if (!handle) {
        window->winId();  // makes the native window
        handle = window->windowHandle();
    }
    if (!handle)
        return;
    if (handle->isExposed()) {
        QTimer::singleShot(0, window, std::move(callback));
        return;
    }
    new ExposeWatch(window, handle, std::move(callback));
}
