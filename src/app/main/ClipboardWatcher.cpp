#include "app/main/ClipboardWatcher.h"

#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>

namespace quorvane {

ClipboardWatcher::ClipboardWatcher(QClipboard* clipboard, QPlainTextEdit* mirror, QObject* parent)
    : QObject(parent), m_clipboard(clipboard), m_mirror(mirror)
{
    connect(clipboard, &QClipboard::dataChanged, this, &ClipboardWatcher::clipboardChanged);
}

void ClipboardWatcher::clipboardChanged()
{
    const QMimeData* data = m_clipboard->mimeData(QClipboard::Clipboard);
    const QString text = data && data->hasText() ? data->text() : QString();
    // setPlainText raises the box's change signal even for an equal text, so copying the same link twice
    // parses it twice.
    m_mirror->setPlainText(text);
}

} // namespace quorvane
