#pragma once

#include <QString>
#include <QWidget>
#include <array>

#include "platform/services.h"
#include "ttfnames/fontnames.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

// The Properties dialog: the eight naming strings of one font, editable and saved back into the
// font file. Created hidden at start-up and kept for the whole run; the file list refills it on
// every click and the "Properties" menu item shows it.
//
// The first button reads "Close" until a field is edited, then "Save" (and "Cancel" appears);
// "Save" writes the fields into the file the dialog was filled for, by its full path, so the
// folder the lists happen to show does not matter. Fonts listed from inside an archive are shown
// read-only: there is no file of theirs to save into.
class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(td::Services& services, QWidget* parent = nullptr);

    // Refills the dialog for one font: caption := `caption` (the name as the list shows it),
    // fields := `names` in dialog order, each field's maximum length := its text's length (none
    // for an empty text), first button "Close", "Cancel" hidden. Visible or not, the dialog
    // follows the file list this way.
    // `names` are those of the file's first face; a collection of `faces` faces offers the
    // others through the face selector beside the buttons (hidden for a single-face file).
    void fill(const QString& fullPath, const QString& caption, const td::TFontNames& names,
              bool readOnly, int faces = 1);
    // Reads the font's names (of its first face) from `fullPath` and fills the dialog with them.
    void fillFromFile(const QString& fullPath, const QString& caption, bool readOnly);
    // Shows face `face` (0 is the first) of the collection: its names read from the file, the
    // dialog back in the "Close" state. A face the file does not have is ignored.
    void showFace(int face);
    // The face shown and the file's number of faces.
    int face() const { return m_face; }
    int faceCount() const { return m_faceCount; }
    // The face selector; visible only for a collection.
    QComboBox* faceSelector() const { return m_faceBox; }
    // Shows the dialog modelessly, centred on its screen and in front.
    void showDialog();

    // The file a save writes; empty before the first fill.
    const QString& fontPath() const { return m_path; }
    bool isReadOnly() const { return m_readOnly; }
    // True in the "Save" state.
    bool hasUnsavedEdits() const { return m_saveState; }
    // The fields' texts, mapped back to record positions.
    td::TFontNames fieldNames() const;

    // Dialog field (0 = Edit1) that shows record position `position` (0 = record 1), and back.
    static int fieldOfPosition(int position);
    static int positionOfField(int field);

    // The first button: "Close" hides the dialog, "Save" writes the fields (into the face shown)
    // and goes back to "Close"; a save that fails, or that would change a naming table other
    // faces of the collection share, says so and stays in the "Save" state.
    void Button1Click();
    // "Cancel": hides the dialog without writing.
    void Button2Click();
    // A field was edited by the user: offer "Save" and "Cancel".
    void EditChange();

  private:
    void showNames(const td::TFontNames& names);
    void setSaveState(bool save);
    void centreOnScreen();

    td::Services& m_services;
    std::array<QLabel*, td::TFontNames::count> m_labels{};
    std::array<QLineEdit*, td::TFontNames::count> m_edits{};
    QFrame* m_panel = nullptr;
    QPushButton* m_button1 = nullptr;
    QPushButton* m_button2 = nullptr;
    QComboBox* m_faceBox = nullptr;
    QString m_path;
    int m_face = 0;
    int m_faceCount = 1;
    bool m_readOnly = false;
    bool m_saveState = false;
};
