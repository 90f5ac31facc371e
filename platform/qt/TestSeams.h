#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

class QAccessibleEvent;
class QDialog;

// Points where a test takes the place of the user in front of a modal window. Each seam is
// empty, and so inactive, unless a test sets it; set one with a CSeamGuard for a scope, or
// assign and clear the reference directly.

// Called with the text instead of showing a message box.
using MessageBoxHandler = std::function<void(const QString& text)>;
// Called instead of running a CFileDialog: the chosen full path, or nullopt for Cancel.
using FileDialogHandler = std::function<std::optional<QString>()>;
// Called with every dialog run through ExecModal, from its event loop once the window is shown;
// it types, clicks and ends the dialog.
using ModalDialogHandler = std::function<void(QDialog* dialog)>;

// Called with each event a list box tells assistive tools of, also while no tool listens (the
// offscreen platform has none).
using AccessibleEventHandler = std::function<void(const QAccessibleEvent& event)>;

MessageBoxHandler& MessageBoxSeam();
AccessibleEventHandler& AccessibleEventSeam();
FileDialogHandler& FileDialogSeam();
ModalDialogHandler& ModalDialogSeam();

// Sets a seam for its lifetime and puts back what it held before.
template <class Handler> class CSeamGuard {
public:
    CSeamGuard(Handler& seam, std::type_identity_t<Handler> handler)
        : m_seam(seam), m_previous(std::exchange(seam, std::move(handler))) {}
    ~CSeamGuard() { m_seam = std::move(m_previous); }
    CSeamGuard(const CSeamGuard&) = delete;
    CSeamGuard& operator=(const CSeamGuard&) = delete;

private:
    Handler& m_seam;
    Handler m_previous;
};

// Queues the modal-dialog seam, if set, for dialog, to run once its modal loop has started.
void QueueModalDialogSeam(QDialog* dialog);
// Runs dialog modally (exec), with the modal-dialog seam queued; answers exec's result.
int ExecModal(QDialog& dialog);
