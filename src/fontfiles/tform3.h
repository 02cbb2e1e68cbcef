#pragma once

#include <QString>
#include <QWidget>

#include "platform/services.h"

class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The folder chooser: a drive selector above a folder list, "Cancel" and a second button whose
// caption tells the mode. In the "Select" mode it hands the chosen folder to the main window's
// option named by the mode marker (`Label3`: "1" default fonts directory, "2" base directory).
class TForm3 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm3(td::Services& services, QWidget* parent = nullptr);

    // Shows the chooser modelessly in the "Select" mode for the given marker.
    void showSelectMode(const QString& marker);
    // Shows the chooser modelessly as the destination of a copy ("Copy To...") or a move
    // ("Move To..."); its second button reads "Do".
    void showDoMode(const QString& caption);

    // The folder the folder list stands in, with a trailing separator.
    QString directory() const { return m_directory; }
    // The folder highlighted in the folder list (the open one until another is clicked), with a
    // trailing separator.
    QString chosenFolder() const;
    // Opens a folder in the folder list; it also becomes the process's current folder.
    void setDirectory(const QString& folder);
    // Rebuilds the drive selector from the drives service.
    void fillDrives();

    void Button1Click();
    void Button2Click();
    void DriveComboBox1Change();

    QFrame* Panel1 = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label3 = nullptr;
    QListWidget* DirectoryListBox1 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

  signals:
    // "Select" was pressed: the marker and the chosen folder.
    void folderSelected(const QString& marker, const QString& folder);
    // "Do" was pressed: the dialog's caption (the mode) and the chosen folder.
    void doPressed(const QString& mode, const QString& folder);

  private:
    void openItem(QListWidgetItem* item);
    void showCentred(const QString& caption, const QString& button);

    td::Services& m_services;
    QString m_directory;
};
