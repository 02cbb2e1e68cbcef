#pragma once

#include <QWidget>
#include <memory>
#include <vector>

namespace td {

// The windows of the run, in creation order. Windows find one another here (the main window
// fills the Properties dialog, for instance) once start-up has created them all.
class WindowSet {
  public:
    WindowSet() = default;
    WindowSet(const WindowSet&) = delete;
    WindowSet& operator=(const WindowSet&) = delete;
    // Later windows go first, as the framework destroys them after the main window's end.
    ~WindowSet() {
        while (!m_windows.empty()) {
            m_windows.pop_back();
        }
    }

    void add(std::unique_ptr<QWidget> window) { m_windows.push_back(std::move(window)); }
    QWidget* mainWindow() const { return m_windows.empty() ? nullptr : m_windows.front().get(); }
    std::size_t size() const { return m_windows.size(); }
    QWidget* at(std::size_t index) const { return m_windows.at(index).get(); }

    // The first window of the given class, or null.
    template <class T>
    T* find() const {
        for (const auto& window : m_windows) {
            if (auto* found = qobject_cast<T*>(window.get())) {
                return found;
            }
        }
        return nullptr;
    }

  private:
    std::vector<std::unique_ptr<QWidget>> m_windows;
};

}  // namespace td
