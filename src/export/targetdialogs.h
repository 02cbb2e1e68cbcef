#pragma once

#include <QString>
#include <QWidget>
#include <functional>

#include "platform/services.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "Save in..." with a drive list and a folder tree: picks the target folder of an export, or
// makes a new one ("&New Dir", then "&Create"). Created hidden at start-up, shown modelessly
// from TForm6's "&Browse...".
class TForm5 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm5(td::Services& services, QWidget* parent = nullptr);
    ~TForm5() override;

    // The folder the tree stands in, with a trailing "/".
    QString directory() const { return m_directory; }
    // Opens `folder` in the tree (the drive list follows); a folder that cannot be read leaves
    // the tree where it was.
    void setDirectory(const QString& folder);
    // True while a new folder is being named.
    bool isNaming() const;

    void Button1Click();  // "&Do"
    void Button2Click();  // "&New Dir" / "&Create"
    void Button3Click();  // "c&Ancel"
    void Button4Click();  // "&Cancel"
    void FormClose();
    void DriveComboBox1Change();

    QComboBox* DriveComboBox1 = nullptr;
    QListWidget* DirectoryListBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button4 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void leaveNaming();
    void fillDrives();

    td::Services& m_services;
    QString m_directory;
};

// "Save in...": shows the target folder the export will write into; "&Browse..." opens TForm5,
// "&Save" runs the export of the main window's active tab. Created hidden at start-up, shown
// modelessly by the Save command.
class TForm6 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm6(td::Services& services, QWidget* parent = nullptr);

    // Runs the export into the folder; true when it completed (the dialog then closes).
    using SaveHandler = std::function<bool(const QString& folder)>;
    // The dialog closed in any way other than a completed "&Save".
    using CancelHandler = std::function<void()>;
    void setHandlers(SaveHandler save, CancelHandler cancel);

    QString path() const;
    void setPath(const QString& path);

    void Button1Click();  // "&Browse..."
    void Button2Click();  // "&Save"
    void Button3Click();  // "&Cancel"

    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button2 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    td::Services& m_services;
    SaveHandler m_save;
    CancelHandler m_cancel;
    bool m_saved = false;
};

// Places a dialog in the middle of the screen.
void centreOnScreen(QWidget& window);
