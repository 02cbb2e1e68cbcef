#pragma once

#include <QApplication>
#include <functional>
#include <utility>

namespace td {

class Dialogs;

// The application object. Handlers catch their own exceptions (runGuarded, guarded below); an
// exception that still leaves one is caught here, at the event loop's boundary, as a last
// resort, and shown the same way.
class Application : public QApplication {
    Q_OBJECT
  public:
    Application(int& argc, char** argv);

    // The seam that shows the error box; without one the text goes to standard error.
    void setDialogs(Dialogs* dialogs) { m_dialogs = dialogs; }

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error's text as the standard error box.
    void showError(const QString& text);

  private:
    Dialogs* m_dialogs = nullptr;
};

// Shows `text` as the standard error box of the running application (standard error when the
// application is not ours).
void showErrorBox(const QString& text);

// Runs one handler's work. A td::Error or std::exception that leaves it is caught here and
// shown as the standard error box, so that it never unwinds through Qt's event delivery, which
// does not support that. Every event handler and connected handler that can throw runs its body
// through this.
void runGuarded(const std::function<void()>& work);

namespace detail {

template <class Signature>
struct GuardedCall;

template <class C, class R, class... A>
struct GuardedCall<R (C::*)(A...) const> {
    template <class F>
    static auto wrap(F handler) {
        return [handler = std::move(handler)](A... args) {
            runGuarded([&] { handler(std::forward<A>(args)...); });
        };
    }
};

template <class C, class R, class... A>
struct GuardedCall<R (C::*)(A...)> {
    template <class F>
    static auto wrap(F handler) {
        return [handler = std::move(handler)](A... args) mutable {
            runGuarded([&] { handler(std::forward<A>(args)...); });
        };
    }
};

}  // namespace detail

// A handler for connect() that runs `handler` (a lambda, with the parameters it declares)
// through runGuarded:
//   connect(button, &QPushButton::clicked, this, td::guarded([this] { work(); }));
template <class F>
auto guarded(F handler) {
    return detail::GuardedCall<decltype(&F::operator())>::wrap(std::move(handler));
}

// The same for a member function of `object`:
//   connect(button, &QPushButton::clicked, this, td::guarded(this, &Window::onClick));
template <class T, class R, class... A>
auto guarded(T* object, R (T::*method)(A...)) {
    return [object, method](A... args) {
        runGuarded([&] { (object->*method)(std::forward<A>(args)...); });
    };
}

template <class T, class R, class... A>
auto guarded(const T* object, R (T::*method)(A...) const) {
    return [object, method](A... args) {
        runGuarded([&] { (object->*method)(std::forward<A>(args)...); });
    };
}

}  // namespace td
