#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "platform/dialogs.h"

namespace tdtest {

// One message box as the program asked for it.
struct RecordedBox {
    td::BoxIcon icon;
    QString text;
    td::BoxButtons buttons;
    QString caption;
};

// The dialogs seam for tests: records every box and answers from a script, in turn. A box,
// file, folder or font dialog that the test did not script fails the test with its text and
// gets the cancelling answer, so nothing ever waits for a person.
class ScriptedDialogs final : public td::Dialogs {
  public:
    ScriptedDialogs() = default;
    // Fails the test when scripted answers were never asked for.
    ~ScriptedDialogs() override;

    // Queues the answer for the next message box.
    ScriptedDialogs& answer(td::BoxAnswer answer);
    // Queues the answer for the next file or folder dialog (empty means cancelled).
    ScriptedDialogs& answerPath(const QString& path);
    // Queues the answer for the next font dialog (nothing means cancelled).
    ScriptedDialogs& answerFont(std::optional<QFont> font);
    // Lets every remaining message box be answered with its first button, without failing.
    void allowUnscriptedBoxes(bool allow = true) { m_allowUnscripted = allow; }

    const std::vector<RecordedBox>& boxes() const { return m_boxes; }
    QStringList boxTexts() const;
    int beeps() const { return m_beeps; }
    // Titles of the file, folder and font dialogs shown, in order.
    const QStringList& dialogTitles() const { return m_dialogTitles; }
    // Filters of the file dialogs shown, in order.
    const QStringList& dialogFilters() const { return m_dialogFilters; }
    void clear();

    td::BoxAnswer messageBox(QWidget* parent, td::BoxIcon icon, const QString& text,
                             td::BoxButtons buttons, const QString& caption = {}) override;
    void beep() override { ++m_beeps; }
    QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    QString existingFolder(QWidget* parent, const QString& title, const QString& folder) override;
    std::optional<QFont> font(QWidget* parent, const QFont& initial, const QString& title) override;

  private:
    QString nextPath(const QString& title);

    std::deque<td::BoxAnswer> m_answers;
    std::deque<QString> m_paths;
    std::deque<std::optional<QFont>> m_fonts;
    std::vector<RecordedBox> m_boxes;
    QStringList m_dialogTitles;
    QStringList m_dialogFilters;
    int m_beeps = 0;
    bool m_allowUnscripted = false;
};

}  // namespace tdtest
