#pragma once

#include <QHash>
#include <QList>
#include <list>

// The document windows in stack order, most recently focused first. Moving a window to
// either end, removing it and finding the first two cost the same however many there are.
template <typename T>
class WindowStack {
public:
    using const_iterator = typename std::list<T*>::const_iterator;

    // Puts the window on top of the stack, whether it was in it or not.
    void raise(T* window)
    {
        remove(window);
        order_.push_front(window);
        where_.insert(window, order_.begin());
    }
    // Puts the window at the bottom of the stack.
    void lower(T* window)
    {
        remove(window);
        order_.push_back(window);
        where_.insert(window, std::prev(order_.end()));
    }
    void remove(T* window)
    {
        const auto it = where_.constFind(window);
        if (it == where_.constEnd())
            return;
        order_.erase(it.value());
        where_.erase(it);
    }
    bool contains(T* window) const { return where_.contains(window); }
    T* top() const { return order_.empty() ? nullptr : order_.front(); }
    T* second() const { return order_.size() < 2 ? nullptr : *std::next(order_.begin()); }
    T* bottom() const { return order_.empty() ? nullptr : order_.back(); }
    int size() const { return int(order_.size()); }
    bool empty() const { return order_.empty(); }
    const_iterator begin() const { return order_.begin(); }
    const_iterator end() const { return order_.end(); }
    QList<T*> toList() const { return QList<T*>(order_.begin(), order_.end()); }

private:
    std::list<T*> order_;
    QHash<T*, typename std::list<T*>::iterator> where_;
};
