#pragma once
// Every entry point of a command (slot, event handler) runs its body through
// Guarded, so that no exception unwinds through Qt's frames: errors go to the
// application's error box, the silent abort goes nowhere.

#include <exception>
#include <functional>
#include <utility>

class QString;

// Shows "Произошла ошибка:" and the error's message in the error box.
void AppErrorHandler(const std::exception &e);
void AppErrorHandler(const QString &message);

// Called by HandleCurrentException after the error box was shown, with the
// error (null for an unknown one): the application closes a lost connection
// there. Empty: nothing. Whatever the hook throws is dropped.
using TAfterErrorHook = std::function<void(const std::exception *error)>;
void SetAfterErrorHook(TAfterErrorHook hook);

// Handles the exception being caught: the silent abort is swallowed, anything
// else reaches AppErrorHandler.
void HandleCurrentException();

// Runs f; returns false when it failed (an error shown, or the silent abort).
template <typename F>
bool Guarded(F &&f)
{
    try {
        std::forward<F>(f)();
        return true;
    } catch (...) {
        HandleCurrentException();
        return false;
    }
}
