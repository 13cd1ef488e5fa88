#include "canvas/CanvasTextEditor.h"

#include "canvas/CanvasView.h"
#include "document/ImageDocument.h"
#include "model/StyledTextLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QKeyEvent>
#include <QPen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace velmaris {

namespace {

// The editor sits one pixel inside the layer box, like the rasterised text.
constexpr double kTextInset = 1;

void fillDocument(QTextDocument& document, const StyledText& text)
{
    document.clear();
    document.setDefaultFont(text.font);
    QTextCursor cursor(&document);
    for (const QTextLayout::FormatRange& range : text.formats)
        cursor.insertText(text.string.mid(range.start, range.length), range.format);
}

bool insideTextStyleControls(QWidget* widget)
{
    for (; widget; widget = widget->parentWidget())
        if (widget->objectName() == QLatin1String(kTextStyleControlsName))
            return true;
    return false;
}

std::optional<TextRange> rangeOf(const QTextCursor& cursor)
{
    return TextRange{cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
}

}  // namespace

class CanvasTextEditor::Item : public QGraphicsTextItem {
public:
    explicit Item(CanvasTextEditor& editor) : editor_(editor) {}

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override
    {
        QGraphicsTextItem::paint(painter, option, widget);
        QColor border = widget ? widget->palette().color(QPalette::Highlight) : QColor(Qt::blue);
        border.setAlphaF(0.6f);
        painter->setPen(QPen(border, 0));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(boundingRect());
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape) {
            QPointer<ImageDocument> document = editor_.document_;
            // The session's end destroys this item: leave its event handler first.
            QTimer::singleShot(0, document, [document] {
                if (document)
                    cancelTextEditing(*document);
            });
            return;
        }
        if (replacesSelection(*event)) {
            typeOverSelection(event->text());
            editor_.selectionMayHaveChanged();
            return;
        }
        QGraphicsTextItem::keyPressEvent(event);
        editor_.selectionMayHaveChanged();
    }
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override
    {
        QGraphicsTextItem::mouseMoveEvent(event);
        editor_.selectionMayHaveChanged();
    }
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override
    {
        QGraphicsTextItem::mouseReleaseEvent(event);
        editor_.selectionMayHaveChanged();
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QGraphicsTextItem::focusOutEvent(event);
        // Switching windows or opening a menu does not end editing.
        if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
            editor_.focusLost();
    }

private:
    // Typed text, not a shortcut or a caret key.
    bool replacesSelection(const QKeyEvent& event) const
    {
        const QString text = event.text();
        return textCursor().hasSelection() && !text.isEmpty() && text.at(0).isPrint() &&
               !(event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    }
    // Text typed over a selection takes the style of its first character; the text control would
    // give it the style of the character before the caret, which for a selection made forwards
    // is the last selected one.
    void typeOverSelection(const QString& text)
    {
        QTextCursor cursor = textCursor();
        QTextCursor first(document());
        first.setPosition(cursor.selectionStart() + 1);
        cursor.insertText(text, first.charFormat());
        setTextCursor(cursor);
    }

    CanvasTextEditor& editor_;
};

CanvasTextEditor::CanvasTextEditor(CanvasView& canvas, ImageDocument& document)
    : canvas_(canvas), document_(&document), item_(new Item(*this))
{
    item_->setTextInteractionFlags(Qt::TextEditorInteraction);
    QTextDocument* text = item_->document();
    text->setDocumentMargin(kTextInset);
    text->documentLayout()->setPaintDevice(const_cast<QPaintDevice*>(canvasTextDevice()));
    canvas_.scene()->addItem(item_);
    QObject::connect(text, &QTextDocument::contentsChanged, item_, [this] {
        if (isForwardingEditorEvent_ || syncQueued_)
            return;
        // Runs once the document has finished processing the edit.
        syncQueued_ = true;
        QTimer::singleShot(0, item_, [this] {
            syncQueued_ = false;
            syncToSession();
        });
    });
}

CanvasTextEditor::~CanvasTextEditor()
{
    isRemoving_ = true;
    delete item_;
}

QGraphicsTextItem* CanvasTextEditor::item() const
{
    return item_;
}

void CanvasTextEditor::showSession(const TextEditingSession& session)
{
    if (!isForwardingEditorEvent_) {
        const StyledText styled = styledText(session.attributes);
        const StyledText current = styledContent();
        if (current.string != styled.string || current.formats != styled.formats) {
            const QTextCursor old = item_->textCursor();
            const int length = int(styled.string.size());
            const int location = std::min(old.selectionStart(), length);
            const int selectionLength = std::min(old.selectionEnd() - old.selectionStart(), length - location);
            isForwardingEditorEvent_ = true;
            fillDocument(*item_->document(), styled);
            isForwardingEditorEvent_ = false;
            QTextCursor cursor(item_->document());
            cursor.setPosition(location);
            cursor.setPosition(location + selectionLength, QTextCursor::KeepAnchor);
            item_->setTextCursor(cursor);
        }
    }
    item_->setDefaultTextColor(session.attributes.color.toColor());
    if (document_) {
        for (const Layer& layer : document_->state().layers)
            if (layer.id == session.layerID)
                item_->setPos(layer.origin);
    }
}

void CanvasTextEditor::begin()
{
    QPointer<CanvasView> canvas(&canvas_);
    if (document_)
        document_->setEditorStyleApplier([canvas, this](std::optional<TextRange> range, std::optional<double> size,
                                                        std::optional<StoredColor> color,
                                                        std::optional<QString> family) {
            return canvas && canvas->textEditor() == this && applyStyle(range, size, color, family);
        });
    canvas_.setFocus();
    item_->setFocus(Qt::OtherFocusReason);
    QTextCursor cursor(item_->document());
    cursor.select(QTextCursor::Document);
    item_->setTextCursor(cursor);
    lastRange_ = rangeOf(cursor);
}

bool CanvasTextEditor::contains(QPointF canvasPoint) const
{
    return item_->sceneBoundingRect().contains(canvasPoint);
}

bool CanvasTextEditor::hasFocus() const
{
    return item_->hasFocus();
}

StyledText CanvasTextEditor::styledContent() const
{
    StyledText styled;
    const QTextDocument* document = item_->document();
    styled.font = document->defaultFont();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin()) {
            // The line break takes the style of what precedes it.
            styled.string += u'\n';
            if (!styled.formats.isEmpty())
                ++styled.formats.last().length;
            else
                styled.formats.append({0, 1, block.charFormat()});
        }
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment piece = fragment.fragment();
            if (!piece.isValid())
                continue;
            QTextLayout::FormatRange range{int(styled.string.size()), piece.length(), piece.charFormat()};
            styled.string += piece.text();
            if (!styled.formats.isEmpty() && styled.formats.last().format == range.format)
                styled.formats.last().length += range.length;
            else
                styled.formats.append(range);
        }
    }
    return styled;
}

void CanvasTextEditor::syncToSession()
{
    if (!document_ || !document_->textEditing())
        return;
    const StyledText styled = styledContent();
    if (textLengthProblem(styled.string)) {
        // Typing or pasting past what a text layer holds: the edit is taken back.
        QApplication::beep();
        showSession(*document_->textEditing());
        return;
    }
    isForwardingEditorEvent_ = true;
    TextEditingSession session = *document_->textEditing();
    session.attributes.string = styled.string;
    session.attributes.runs = runsFromStyledText(styled, session.attributes);
    session.attributes.normalizeRuns();
    document_->replaceTextEditing(session);
    document_->announceTextEditingChange();
    isForwardingEditorEvent_ = false;
}

void CanvasTextEditor::selectionMayHaveChanged()
{
    const std::optional<TextRange> range = rangeOf(item_->textCursor());
    if (range == lastRange_ || !document_)
        return;
    lastRange_ = range;
    isForwardingEditorEvent_ = true;
    setEditingSelectedRange(*document_, range);
    isForwardingEditorEvent_ = false;
}

void CanvasTextEditor::focusLost()
{
    if (isRemoving_ || !document_)
        return;
    if (insideTextStyleControls(QApplication::focusWidget()))
        return;
    QPointer<ImageDocument> document = document_;
    QTimer::singleShot(0, document, [document] {
        if (document)
            commitTextEditing(*document);
    });
}

bool CanvasTextEditor::applyStyle(std::optional<TextRange> range, std::optional<double> fontSize,
                                  std::optional<StoredColor> color, std::optional<QString> fontFamily)
{
    if (!document_ || !document_->textEditing())
        return false;
    QTextDocument* document = item_->document();
    const int length = document->characterCount() - 1;
    int location = 0, count = length;
    if (range && range->length > 0) {
        location = std::min(range->location, length);
        count = std::min(range->length, length - location);
    }
    if (count <= 0)
        return false;
    const TextLayerAttributes& base = document_->textEditing()->attributes;
    // Each stretch keeps what is not asked for: its own family and size, else the session's.
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    for (int position = location; position < location + count;) {
        cursor.setPosition(position + 1);
        const QTextCharFormat current = cursor.charFormat();
        int end = position + 1;
        for (; end < location + count; ++end) {
            cursor.setPosition(end + 1);
            if (cursor.charFormat() != current)
                break;
        }
        const QString currentFamily = storedFontFamily(current);
        const QString family = fontFamily.value_or(currentFamily.isEmpty() ? base.fontFamily : currentFamily);
        const double currentSize = current.hasProperty(QTextFormat::FontPointSize) ? current.fontPointSize() : 0;
        const double size = fontSize.value_or(currentSize > 0 ? currentSize : base.fontSize);
        QTextCharFormat format;
        format.setFont(textFont(family, size));
        setStoredFontFamily(format, family);
        if (color)
            format.setForeground(color->toColor());
        cursor.setPosition(position);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(format);
        position = end;
    }
    cursor.endEditBlock();
    return true;
}

}  // namespace velmaris
