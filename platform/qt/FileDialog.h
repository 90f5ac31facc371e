#pragma once

#include <QString>
#include <QStringList>

class QWidget;

inline constexpr int kIdOk = 1;     // DoModal: a file was chosen
inline constexpr int kIdCancel = 2; // DoModal: anything else

inline constexpr unsigned OFN_OVERWRITEPROMPT = 0x0002; // save: ask before replacing a file
inline constexpr unsigned OFN_SHOWHELP = 0x0010;        // ignored: the desktop dialog has none
inline constexpr unsigned OFN_FILEMUSTEXIST = 0x1000;   // open: only existing files

// The desktop's open or save dialog. The filter is "desc|pattern|desc|pattern||" (patterns
// separated by ';'); its first entry is preselected. After DoModal answered kIdOk the chosen
// file is known by its full path, its name and its extension.
//
// The default extension is added to a chosen name without one, except when opening a file
// that exists under the name as given: such a book is opened as it is.
class CFileDialog {
public:
    CFileDialog(bool open, QString defaultExt, QString fileName, unsigned flags, QString filter,
                QWidget* parent = nullptr);

    // The folder the dialog starts in; the desktop's choice when empty or gone.
    void SetInitialDir(QString dir) { m_strInitialDir = std::move(dir); }

    // kIdOk when a file was chosen, kIdCancel otherwise.
    int DoModal();

    QString GetPathName() const { return m_strPathName; }
    // The name with its extension, without the folder.
    QString GetFileName() const;
    // The extension after the name's last dot, as typed; empty when the name has none.
    QString GetFileExt() const;

    // The filter turned into Qt's name filters ("desc (pattern pattern)"), "*.*" read as "*"
    // so that it lists every file, names without a dot included.
    static QStringList NameFilters(const QString& filter);

private:
    // Adds the default extension where the rule above asks for it.
    QString WithDefaultExt(const QString& path) const;

    bool m_bOpen;
    QString m_strDefaultExt;
    QString m_strFileName;
    unsigned m_nFlags;
    QString m_strFilter;
    QWidget* m_pParent;
    QString m_strInitialDir;
    QString m_strPathName;
};
