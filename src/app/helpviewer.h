#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;

// The program's own help window: shows the HTML help file and jumps to the part of a help
// context. Each part of the file carries an anchor named "context" followed by its number.
class HelpViewer : public QWidget {
    Q_OBJECT
  public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Loads the file and scrolls to the context's part; false when the file cannot be read.
    bool open(const QString& file, int context);
    // The anchor a help context has in the file.
    static QString anchorOf(int context);

    QString file() const { return m_file; }
    int context() const { return m_context; }
    QTextBrowser* browser() const { return m_browser; }

  private:
    QTextBrowser* m_browser;
    QString m_file;
    int m_context = 0;
};
