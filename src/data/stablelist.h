#pragma once
// A list whose elements never move: appending leaves the elements already
// there where they are, so a reference to one stays valid as long as the list
// lives. Reads like a QList (size, operator[], value, range for).

#include <QtGlobal>

#include <deque>
#include <utility>

template <typename T>
class TStableList
{
public:
    using iterator = typename std::deque<T>::iterator;
    using const_iterator = typename std::deque<T>::const_iterator;

    T &append(T item)
    {
        m_items.push_back(std::move(item));
        return m_items.back();
    }
    void clear() { m_items.clear(); }

    qsizetype size() const { return qsizetype(m_items.size()); }
    qsizetype count() const { return size(); }
    bool isEmpty() const { return m_items.empty(); }

    T &operator[](qsizetype i) { return m_items[size_t(i)]; }
    const T &operator[](qsizetype i) const { return m_items[size_t(i)]; }
    // A copy of the element, or a default one when i is out of range.
    T value(qsizetype i) const { return i >= 0 && i < size() ? m_items[size_t(i)] : T(); }
    T &last() { return m_items.back(); }
    const T &last() const { return m_items.back(); }

    iterator begin() { return m_items.begin(); }
    iterator end() { return m_items.end(); }
    const_iterator begin() const { return m_items.begin(); }
    const_iterator end() const { return m_items.end(); }

private:
    std::deque<T> m_items;
};
