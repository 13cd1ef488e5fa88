#include "canvas/tools/PaintableLayer.h"

#include "canvas/CanvasView.h"
#include "document/LayerPainting.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace velmaris {

namespace {

QMessageBox* refusalBox(CanvasView& view, const QString& text, const QString& detail)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Velmaris Images"), text,
                                QMessageBox::NoButton, &view);
    box->setObjectName(QStringLiteral("PaintRefusal"));
    box->setInformativeText(detail);
    box->setAttribute(Qt::WA_DeleteOnClose);
    return box;
}

}  // namespace

bool primaryLayerPaintable(CanvasView& view)
{
    ImageDocument* document = view.document();
    const std::optional<PaintRefusal> refusal = document ? paintRefusal(*document) : PaintRefusal::noLayer;
    if (!refusal)
        return true;
    if (*refusal == PaintRefusal::noLayer) {
        QApplication::beep();
        return false;
    }
    // A second click while the message is up does not stack another one.
    if (view.findChild<QMessageBox*>(QStringLiteral("PaintRefusal")))
        return false;
    const Layer layer = *document->state().selectedLayer();
    if (*refusal == PaintRefusal::locked) {
        QMessageBox* box = refusalBox(view, QStringLiteral("The layer “%1” is locked.").arg(layer.name),
                                      QStringLiteral("Unlock it in the Layers panel to paint on it."));
        box->addButton(QMessageBox::Ok);
        box->open();
        return false;
    }
    QMessageBox* box = refusalBox(view, QStringLiteral("“%1” is a text layer.").arg(layer.name),
                                  QStringLiteral("Rasterize it to paint on it? Its text can no longer be edited "
                                                 "afterwards."));
    QPushButton* rasterize = box->addButton(QStringLiteral("Rasterize"), QMessageBox::AcceptRole);
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(rasterize);
    QObject::connect(box, &QMessageBox::buttonClicked, &view,
                     [document = QPointer<ImageDocument>(document), id = layer.id, rasterize](QAbstractButton* button) {
                         if (button == rasterize && document)
                             rasterizeLayer(*document, id);
                     });
    box->open();
    return false;
}

}  // namespace velmaris
