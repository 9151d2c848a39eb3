#pragma once

#include "core/Help.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QTextBrowser;
class QWidget;

/// The program's help window: HTML pages from the help folder beside the program (or a short
/// built-in text when they are missing), opened at a topic by its name or at a message's context.
class HelpViewer final : public QObject, public Help
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpViewer)

public:
    explicit HelpViewer(QString helpFolder, QObject* parent = nullptr);
    ~HelpViewer() override;

    /// Opens the window at a topic: "Alarm", "View", "Kreiranje", "Opcije", "Sound"; any other
    /// name opens the contents.
    void showTopic(const QString& topic) override;
    void showContents() override;
    /// Opens the window at a message's help: 0 sound file not found, 1 another instance running,
    /// 6 invalid repeat interval; any other context opens the contents.
    void showContext(int context) override;
    /// Closes the help window, as at the end of the program.
    void close() override;

    /// The page and anchor that a topic or a context opens, e.g. "editor.html#repeat".
    static QString pageForTopic(const QString& topic);
    static QString pageForContext(int context);

    QString helpFolder() const { return m_folder; }
    /// True when the pages were not found and the built-in text is shown instead.
    bool usesBuiltInText() const;
    /// The help window and its browser; null until the help is first shown.
    QWidget* window() const;
    QTextBrowser* browser() const;
    /// The page shown, with its anchor.
    QUrl currentUrl() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void open(const QString& page);
    void ensureWindow();
    void followModalWindow();

    QString m_folder;
    QPointer<QWidget> m_window;
    QPointer<QTextBrowser> m_browser;
    QPointer<QWidget> m_modal;
};
