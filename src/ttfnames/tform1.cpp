#include "ttfnames/tform1.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "platform/application.h"
#include "platform/dialogs.h"

namespace {

constexpr int kWidth = 525;
constexpr int kHeight = 306;
constexpr int kRowTop = 8;
constexpr int kRowStep = 24;
constexpr int kLabelX = 8;
constexpr int kFieldX = 64;
// The least room between the longest label and the fields.
constexpr int kLabelGap = 4;
constexpr int kFieldWidth = 441;
constexpr int kFieldHeight = 21;
constexpr int kPanelHeight = 69;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
// A line edit's own limit, which is what "no limit" means for it.
constexpr int kNoLimit = 32767;

// Dialog rows top to bottom, as record positions: Name, Family, Subfamily, Version,
// Identifier, Postscript, Copyright, Trademark.
constexpr std::array<int, td::TFontNames::count> kFieldPositions = {4, 1, 2, 5, 3, 6, 0, 7};
constexpr std::array<const char*, td::TFontNames::count> kFieldLabels = {
    "Name:",       "Family:",     "Subfamily:", "Version:",
    "Identifier:", "Postscript:", "Copyright:", "Trademark:"};

}  // namespace

int TForm1::fieldOfPosition(int position) {
    for (int field = 0; field < td::TFontNames::count; ++field) {
        if (kFieldPositions[static_cast<std::size_t>(field)] == position) {
            return field;
        }
    }
    return -1;
}

int TForm1::positionOfField(int field) {
    if (field < 0 || field >= td::TFontNames::count) {
        return -1;
    }
    return kFieldPositions[static_cast<std::size_t>(field)];
}

TForm1::TForm1(td::Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_services(services) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Form1"));

    // The labels keep their column as designed where their texts fit in it; a wider desktop font
    // widens the column, and the dialog with it, so that no label is cut short.
    int labelWidth = kFieldX - kLabelX - kLabelGap;
    for (const char* text : kFieldLabels) {
        labelWidth = std::max(labelWidth, fontMetrics().horizontalAdvance(QLatin1String(text)));
    }
    const int fieldX = kLabelX + labelWidth + kLabelGap;
    const int width = kWidth + fieldX - kFieldX;
    setFixedSize(width, kHeight);

    for (int field = 0; field < td::TFontNames::count; ++field) {
        const int top = kRowTop + field * kRowStep;
        auto* label =
            new QLabel(QString::fromLatin1(kFieldLabels[static_cast<std::size_t>(field)]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(field + 1));
        label->setGeometry(kLabelX, top, labelWidth, kFieldHeight);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(field + 1));
        edit->setGeometry(fieldX, top, kFieldWidth, kFieldHeight);
        label->setBuddy(edit);
        // Only the user's own edits count: the fill sets texts without leaving "Close".
        connect(edit, &QLineEdit::textEdited, this, td::guarded(this, &TForm1::EditChange));
        m_labels[static_cast<std::size_t>(field)] = label;
        m_edits[static_cast<std::size_t>(field)] = edit;
    }

    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_panel->setGeometry(0, kHeight - kPanelHeight, width, kPanelHeight);
    const int buttonTop = (kPanelHeight - kButtonHeight) / 2;
    m_button2 = new QPushButton(QStringLiteral("Cancel"), m_panel);
    m_button2->setObjectName(QStringLiteral("Button2"));
    m_button2->setGeometry(width - 2 * kButtonWidth - 24, buttonTop, kButtonWidth, kButtonHeight);
    m_button2->hide();
    m_button1 = new QPushButton(QStringLiteral("Close"), m_panel);
    m_button1->setObjectName(QStringLiteral("Button1"));
    m_button1->setGeometry(width - kButtonWidth - 16, buttonTop, kButtonWidth, kButtonHeight);
    m_button1->setDefault(true);
    connect(m_button1, &QPushButton::clicked, this, td::guarded(this, &TForm1::Button1Click));
    connect(m_button2, &QPushButton::clicked, this, td::guarded(this, &TForm1::Button2Click));
    m_faceBox = new QComboBox(m_panel);
    m_faceBox->setObjectName(QStringLiteral("FaceBox"));
    m_faceBox->setGeometry(16, buttonTop, 120, kButtonHeight);
    m_faceBox->hide();
    connect(m_faceBox, &QComboBox::activated, this, td::guarded(this, &TForm1::showFace));

    centreOnScreen();
}

void TForm1::fill(const QString& fullPath, const QString& caption, const td::TFontNames& names,
                  bool readOnly, int faces) {
    m_path = fullPath;
    m_readOnly = readOnly;
    setWindowTitle(caption);
    m_face = 0;
    m_faceCount = std::max(1, faces);
    m_faceBox->clear();
    for (int face = 1; face <= m_faceCount && m_faceCount > 1; ++face) {
        m_faceBox->addItem(QStringLiteral("Face %1 of %2").arg(face).arg(m_faceCount));
    }
    m_faceBox->setVisible(m_faceCount > 1);
    showNames(names);
}

void TForm1::showFace(int face) {
    if (face < 0 || face >= m_faceCount) {
        return;
    }
    m_face = face;
    m_faceBox->setCurrentIndex(face);
    showNames(td::ReadFontNames(m_path, face));
}

void TForm1::showNames(const td::TFontNames& names) {
    for (int field = 0; field < td::TFontNames::count; ++field) {
        QLineEdit* edit = m_edits[static_cast<std::size_t>(field)];
        const QString& text = names.at(positionOfField(field));
        // The limit goes first: a lower old limit would cut the new text.
        edit->setMaxLength(text.isEmpty() ? kNoLimit : static_cast<int>(text.size()));
        edit->setText(text);
        edit->setReadOnly(m_readOnly);
        edit->setCursorPosition(0);
    }
    setSaveState(false);
}

void TForm1::fillFromFile(const QString& fullPath, const QString& caption, bool readOnly) {
    int faces = 1;
    const td::TFontNames names = td::ReadFontNames(fullPath, 0, &faces);
    fill(fullPath, caption, names, readOnly, faces);
}

void TForm1::showDialog() {
    const bool wasVisible = isVisible();
    show();
    // Centred once shown, when the frame around the window is known; an open dialog stays where
    // the user put it.
    if (!wasVisible) {
        centreOnScreen();
    }
    raise();
    activateWindow();
}

td::TFontNames TForm1::fieldNames() const {
    td::TFontNames names;
    for (int field = 0; field < td::TFontNames::count; ++field) {
        names.at(positionOfField(field)) = m_edits[static_cast<std::size_t>(field)]->text();
    }
    return names;
}

void TForm1::Button1Click() {
    if (!m_saveState) {
        hide();
        return;
    }
    const td::NameWrite result = m_readOnly || m_path.isEmpty()
                                     ? td::NameWrite::Failed
                                     : td::WriteFaceNames(m_path, m_face, fieldNames());
    if (result != td::NameWrite::Written) {
        if (m_services.dialogs != nullptr) {
            const QString text =
                result == td::NameWrite::Shared
                    ? QStringLiteral(
                          "The names could not be written to %1: face %2 shares its "
                          "names with other faces of the collection.")
                          .arg(m_path)
                          .arg(m_face + 1)
                    : QStringLiteral("The names could not be written to %1.").arg(m_path);
            m_services.dialogs->messageBox(this, td::BoxIcon::Warning, text, td::BoxButtons::Ok);
        }
        return;
    }
    setSaveState(false);
}

void TForm1::Button2Click() {
    hide();
}

void TForm1::EditChange() {
    if (!m_readOnly) {
        setSaveState(true);
    }
}

void TForm1::setSaveState(bool save) {
    m_saveState = save;
    m_button1->setText(save ? QStringLiteral("Save") : QStringLiteral("Close"));
    m_button2->setVisible(save);
}

void TForm1::centreOnScreen() {
    const QScreen* target = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (target == nullptr) {
        return;
    }
    QRect frame = frameGeometry();
    frame.moveCenter(target->availableGeometry().center());
    move(frame.topLeft());
}
