#include "FileDialog.h"

#include "TestSeams.h"

#include <QFileDialog>
#include <QFileInfo>

#include <optional>
#include <utility>

CFileDialog::CFileDialog(bool open, QString defaultExt, QString fileName, unsigned flags,
                         QString filter, QWidget* parent)
    : m_bOpen(open), m_strDefaultExt(std::move(defaultExt)), m_strFileName(std::move(fileName)),
      m_nFlags(flags), m_strFilter(std::move(filter)), m_pParent(parent) {
    if (m_strDefaultExt.startsWith(u'.'))
        m_strDefaultExt.remove(0, 1);
}

int CFileDialog::DoModal() {
    m_strPathName.clear();
    std::optional<QString> chosen;
    if (const FileDialogHandler handler = FileDialogSeam()) {
        chosen = handler();
    } else {
        QFileDialog dialog(m_pParent);
        dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dialog.setFileMode(m_bOpen && (m_nFlags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                     : QFileDialog::AnyFile);
        if (!m_bOpen && !(m_nFlags & OFN_OVERWRITEPROMPT))
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        // Opening applies the default extension itself (WithDefaultExt): the dialog's own
        // would turn an existing "book" into a missing "book.txt".
        if (!m_bOpen)
            dialog.setDefaultSuffix(m_strDefaultExt);
        const QStringList filters = NameFilters(m_strFilter);
        if (!filters.isEmpty()) {
            dialog.setOption(QFileDialog::HideNameFilterDetails);
            dialog.setNameFilters(filters);
            dialog.selectNameFilter(filters.first());
        }
        if (!m_strInitialDir.isEmpty() && QFileInfo(m_strInitialDir).isDir())
            dialog.setDirectory(m_strInitialDir);
        if (!m_strFileName.isEmpty())
            dialog.selectFile(m_strFileName);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().first();
    }
    if (!chosen || chosen->isEmpty())
        return kIdCancel;
    m_strPathName = QFileInfo(WithDefaultExt(*chosen)).absoluteFilePath();
    return kIdOk;
}

QString CFileDialog::GetFileName() const {
    return QFileInfo(m_strPathName).fileName();
}

QString CFileDialog::GetFileExt() const {
    const QString name = GetFileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QStringList CFileDialog::NameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        if (description.isEmpty())
            break; // the "||" that ends the list
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        // "*.*" means every file; Qt's "*.*" would pass over names without a dot.
        for (QString& pattern : patterns) {
            if (pattern == u"*.*")
                pattern = QStringLiteral("*");
        }
        // Qt reads the patterns from the last parentheses; the dialog shows only what comes
        // before them (HideNameFilterDetails), which is the description as given.
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
    }
    return filters;
}

QString CFileDialog::WithDefaultExt(const QString& path) const {
    const QFileInfo info(path);
    if (m_strDefaultExt.isEmpty() || info.fileName().contains(u'.') || info.isDir())
        return path;
    if (m_bOpen && info.exists())
        return path;
    return path + u'.' + m_strDefaultExt;
}
