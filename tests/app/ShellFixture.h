#pragma once

// What the shell tests share: a folder of the test's own for books, the settings file and the
// window's state file,
// message boxes recorded instead of shown, and an application started as main() starts it.

#include "../ScratchDir.h"
#include "BookDlg.h"
#include "ListBox.h"
#include "MainFrame.h"
#include "TestSeams.h"
#include "TomletApp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include <memory>

class CShellFixture {
public:
    // Starts with a settings file of period 1000, order 0.
    CShellFixture() : m_seam(MessageBoxSeam(), [this](const QString& text) { messages << text; }) {
        qputenv("TOMLET_SETTINGS", m_dir.filePath("Tomlet.set").toLocal8Bit());
        // Qt reads XDG_CONFIG_HOME once per process: the folder is set for each test instead.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
        WriteSettings(1000);
    }

    QString Write(const QString& name, const QByteArray& bytes) const {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qWarning("can't write %s", qPrintable(file.fileName()));
        file.write(bytes);
        return file.fileName();
    }
    void WriteSettings(quint32 period) const {
        QByteArray record(10, '\0');
        for (int i = 0; i < 4; ++i)
            record[i] = static_cast<char>((period >> (8 * i)) & 0xFF);
        Write(QStringLiteral("Tomlet.set"), record);
    }
    QString StateFile() const { return m_dir.filePath("tomlet/window.ini"); }
    // Stands in for a damaged state file: replaces a line's text; false when it is not there.
    bool EditStateFile(const QByteArray& from, const QByteArray& to) const {
        QFile file(StateFile());
        if (!file.open(QIODevice::ReadOnly))
            return false;
        QByteArray text = file.readAll();
        file.close();
        if (!text.contains(from))
            return false;
        Write(QStringLiteral("tomlet/window.ini"), text.replace(from, to));
        // A later run in this process reads the file again only if its size or time changed, and
        // an edit of the same size within one tick of the clock would go unseen.
        QFile edited(StateFile());
        const QDateTime written = QFileInfo(edited).lastModified();
        return edited.open(QIODevice::ReadWrite) &&
               edited.setFileTime(written.addSecs(1), QFileDevice::FileModificationTime);
    }
    QString Dir() const { return m_dir.path(); }
    void RemoveSettings() const { QFile::remove(m_dir.filePath("Tomlet.set")); }

    // A marked-text book in CP949: 제1장, 제2장 and "Three".
    QString WriteBook() const {
        return Write(QStringLiteral("book.txt"), QByteArray("\xc1\xa6"
                                                            "1\xc0\xe5///first line\r\n"
                                                            "\xc1\xa6"
                                                            "2\xc0\xe5///second line\r\n"
                                                            "Three///third line\r\n"));
    }

    static SCommandLine WithBook(const QString& path, const std::string& codePage = {}) {
        SCommandLine command;
        command.book = QFile::encodeName(path).toStdString();
        command.codePage = codePage;
        return command;
    }

    // Starts the application and waits until its window is active and has drawn once.
    std::unique_ptr<CTomletApp> Start(SCommandLine command = {}) {
        // As main() starts it: the book is read early.
        auto early = CTomletApp::ReadBookEarly(command);
        auto app = std::make_unique<CTomletApp>(std::move(command), std::move(early));
        if (!app->InitInstance())
            qWarning("start-up failed");
        else if (app->GetMainWnd()->activateWindow();
                 !QTest::qWaitForWindowActive(app->GetMainWnd()))
            qWarning("main window not active");
        return app;
    }

    QStringList messages;

private:
    CScratchDir m_dir;
    CSeamGuard<MessageBoxHandler> m_seam;
};
