#pragma once

#include "BookDlg.h"
#include "TestSeams.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A temporary folder holding the settings file ($TOMLET_SETTINGS points there) and the books
// of one test, with every message box answered and recorded.
class CReaderFixture {
public:
    CReaderFixture();

    // Writes the settings record the view reads when it is constructed.
    void WriteSettings(quint32 period, qint32 order);
    QByteArray ReadSettings() const;

    // Writes a marked-text book with one item per name, "<name>///body of <name>".
    QString WriteBook(const QString& fileName, const QStringList& names);

    // A shown view, made the active view, with the book at path chosen and loaded.
    std::unique_ptr<CBookDlg> OpenView(const QString& path);
    // Chooses another book in view and lets it load.
    static void Open(CBookDlg& view, const QString& path);

    static QString Title(const CBookDlg& view);
    static QString Body(const CBookDlg& view);

    QTemporaryDir m_dir;
    QStringList m_messages;

private:
    CSeamGuard<MessageBoxHandler> m_messageSeam;
};

QByteArray SettingsRecord(quint32 period, qint32 order);
