#pragma once

#include <QObject>

class QClipboard;
class QPlainTextEdit;

namespace quorvane {

// Copies every new clipboard text into the hidden mirror box 剪贴板, whose change the pipeline handles.
// Anything that is not text gives an empty text. What was on the clipboard before the watcher existed is
// not taken: only changes are.
class ClipboardWatcher : public QObject
{
    Q_OBJECT

public:
    ClipboardWatcher(QClipboard* clipboard, QPlainTextEdit* mirror, QObject* parent = nullptr);

private:
    void clipboardChanged();

    QClipboard* m_clipboard;
    QPlainTextEdit* m_mirror;
};

} // namespace quorvane
