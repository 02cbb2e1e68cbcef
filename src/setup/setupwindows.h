#pragma once

#include <QString>
#include <QWidget>

#include "platform/services.h"
#include "platform/windowset.h"

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTreeView;

// Created hidden in the main role; minimised, its buttons hidden, never shown.
class TFo1 : public QWidget {
    Q_OBJECT
  public:
    explicit TFo1(td::Services& services, QWidget* parent = nullptr);

    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
};

// Created hidden at start-up; never shown.
class Tfu : public QWidget {
    Q_OBJECT
  public:
    explicit Tfu(td::Services& services, QWidget* parent = nullptr) : QWidget(parent) {
        Q_UNUSED(services);
        setObjectName(QStringLiteral("Tfu"));
    }
};

// What the installer's and uninstaller's windows share: fixed size, centred, the program's icon,
// the executable they work for and the end of the program.
class SetupWindow : public QWidget {
    Q_OBJECT
  public:
    SetupWindow(td::Services& services, const char* name, const QString& caption, int width,
                int height, QWidget* parent);

    // The running executable; the installer copies from its folder, the uninstaller copies
    // it and keeps it. Defaults to the process's own file.
    QString executablePath() const { return m_executable; }
    void setExecutablePath(const QString& path) { m_executable = path; }

  signals:
    // The program was asked to end.
    void programEnded();

  protected:
    // Asks the application to end its event loop.
    void endProgram();
    // The question of the installer's "&Cancel"; Yes ends the program. True when it ended.
    bool confirmAbort();
    // The 32 x 32 icon at the top left and the heading beside it.
    QLabel* addHeading(const QString& text);
    QPushButton* addButton(const char* name, const QString& text, int x, int y, int width = 75);
    QLabel* addText(const char* name, const QString& text, const QRect& geometry,
                    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop);
    // Another window of the run, when start-up made it.
    template <class T>
    T* sibling() const {
        return m_services.windows != nullptr ? m_services.windows->find<T>() : nullptr;
    }

    td::Services& m_services;
    QString m_executable;
};

// The welcome page, the installer's main window.
class Tfs1 : public SetupWindow {
    Q_OBJECT
  public:
    explicit Tfs1(td::Services& services, QWidget* parent = nullptr);

    void Button1Click();
    void Button2Click();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};

// The destination page: program folder, menu group and desktop shortcut, and "&Install >".
class Tfs2 : public SetupWindow {
    Q_OBJECT
  public:
    explicit Tfs2(td::Services& services, QWidget* parent = nullptr);

    void FormCreate();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void CheckBox1Click();
    void ListBox1Click(QListWidgetItem* item);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* Panel1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QFrame* Panel2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button2 = nullptr;

  protected:
    // Closing the page from the window frame is a "&Cancel".
    void closeEvent(QCloseEvent* event) override;
};

// The completion page.
class Tfs3 : public SetupWindow {
    Q_OBJECT
  public:
    explicit Tfs3(td::Services& services, QWidget* parent = nullptr);

    void Button1Click();
    void Button2Click();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;

  protected:
    // Closing the page from the window frame is a "&No".
    void closeEvent(QCloseEvent* event) override;
};

// The destination folder dialog: a drive, a folder tree and "&Select".
class Tfdir : public SetupWindow {
    Q_OBJECT
  public:
    explicit Tfdir(td::Services& services, QWidget* parent = nullptr);

    void FormActivate();
    void DriveComboBox1Change();
    void Button1Click();

    // The folder the tree shows as chosen, with a trailing separator.
    QString shownFolder() const;
    // Makes `folder` the tree's chosen folder.
    void showFolder(const QString& folder);

    QComboBox* DriveComboBox1 = nullptr;
    QTreeView* DirectoryListBox1 = nullptr;
    QPushButton* Button1 = nullptr;

  protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void showDrive(const QString& root);

    QFileSystemModel* m_model = nullptr;
};

// The two uninstaller windows: one centred text, "&Cancel" on the left that ends the program and
// the stage's own button on the right.
class UninstallWindow : public SetupWindow {
    Q_OBJECT
  public:
    UninstallWindow(td::Services& services, const char* name, int height, const QString& text,
                    const QString& go, QWidget* parent);

    // The stage's work, then the end of the program.
    virtual void Button1Click() = 0;
    void Button2Click();

    QLabel* Label1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button1 = nullptr;
};

// Uninstaller stage 1 ("/S").
class Tu1 : public UninstallWindow {
    Q_OBJECT
  public:
    explicit Tu1(td::Services& services, QWidget* parent = nullptr);

    void Button1Click() override;
};

// Uninstaller stage 2 ("/U").
class Tu2 : public UninstallWindow {
    Q_OBJECT
  public:
    explicit Tu2(td::Services& services, QWidget* parent = nullptr);

    void Button1Click() override;
};
