#include "scripted_dialogs.h"

#include <gtest/gtest.h>

namespace tdtest {

namespace {

td::BoxAnswer firstButton(td::BoxButtons buttons) {
    return buttons == td::BoxButtons::YesNo || buttons == td::BoxButtons::YesNoCancel
               ? td::BoxAnswer::Yes
               : td::BoxAnswer::Ok;
}

td::BoxAnswer cancellingButton(td::BoxButtons buttons) {
    switch (buttons) {
        case td::BoxButtons::Ok:
            return td::BoxAnswer::Ok;
        case td::BoxButtons::YesNo:
            return td::BoxAnswer::No;
        default:
            return td::BoxAnswer::Cancel;
    }
}

}  // namespace

ScriptedDialogs::~ScriptedDialogs() {
    EXPECT_TRUE(m_answers.empty()) << m_answers.size() << " scripted box answer(s) never used";
    EXPECT_TRUE(m_paths.empty()) << m_paths.size() << " scripted path(s) never used";
    EXPECT_TRUE(m_fonts.empty()) << m_fonts.size() << " scripted font(s) never used";
}

ScriptedDialogs& ScriptedDialogs::answer(td::BoxAnswer answer) {
    m_answers.push_back(answer);
    return *this;
}

ScriptedDialogs& ScriptedDialogs::answerPath(const QString& path) {
    m_paths.push_back(path);
    return *this;
}

ScriptedDialogs& ScriptedDialogs::answerFont(std::optional<QFont> font) {
    m_fonts.push_back(std::move(font));
    return *this;
}

QStringList ScriptedDialogs::boxTexts() const {
    QStringList texts;
    for (const RecordedBox& box : m_boxes) {
        texts << box.text;
    }
    return texts;
}

void ScriptedDialogs::clear() {
    m_boxes.clear();
    m_dialogTitles.clear();
    m_dialogFilters.clear();
    m_beeps = 0;
}

td::BoxAnswer ScriptedDialogs::messageBox(QWidget*, td::BoxIcon icon, const QString& text,
                                          td::BoxButtons buttons, const QString& caption) {
    m_boxes.push_back({icon, text, buttons, caption});
    if (m_answers.empty()) {
        if (m_allowUnscripted) {
            return firstButton(buttons);
        }
        ADD_FAILURE() << "unscripted message box: \"" << text.toStdString() << "\"";
        return cancellingButton(buttons);
    }
    const td::BoxAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QString ScriptedDialogs::nextPath(const QString& title) {
    m_dialogTitles << title;
    if (m_paths.empty()) {
        ADD_FAILURE() << "unscripted file or folder dialog: \"" << title.toStdString() << "\"";
        return {};
    }
    const QString path = m_paths.front();
    m_paths.pop_front();
    return path;
}

QString ScriptedDialogs::openFileName(QWidget*, const QString& title, const QString&,
                                      const QString& filter) {
    m_dialogFilters << filter;
    return nextPath(title);
}

QString ScriptedDialogs::existingFolder(QWidget*, const QString& title, const QString&) {
    return nextPath(title);
}

std::optional<QFont> ScriptedDialogs::font(QWidget*, const QFont&, const QString& title) {
    m_dialogTitles << title;
    if (m_fonts.empty()) {
        ADD_FAILURE() << "unscripted font dialog: \"" << title.toStdString() << "\"";
        return std::nullopt;
    }
    std::optional<QFont> font = m_fonts.front();
    m_fonts.pop_front();
    return font;
}

}  // namespace tdtest
