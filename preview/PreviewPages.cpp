#include "preview/PreviewPages.h"

#include "editor/RxRichEd.h"

TPreviewPages::TPreviewPages()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(15);
    for (TGmHeaderFooter *hf : {static_cast<TGmHeaderFooter *>(&preview.Header()),
                                static_cast<TGmHeaderFooter *>(&preview.Footer())}) {
        hf->setVisible(true);
        hf->setShowLine(false);
        for (int i = 0; i < 3; ++i)
            hf->setFont(i, font);
    }
    preview.Margins().Visible = true;
    preview.OnNeedRichEdit = [](QObject *, TRxRichEdit *&r) { r = new TRxRichEdit; };
    paginator.SetPreview(&preview);
    // The jobs paginate, print or export and are done before their document could change.
    paginator.SharesUnchangedSource = true;
    paginator.OnMessage = [this](const QString &m) { m_message = m; };
}

void TPreviewPages::setMargins(const PrintMargins &m)
{
    TGmMargins &margins = preview.Margins();
    margins.Left().setMillimeters(m.left);
    margins.Top().setMillimeters(m.top);
    margins.Right().setMillimeters(m.right);
    margins.Bottom().setMillimeters(m.bottom);
}

QString TPreviewPages::layOut(TRxRichEdit *source)
{
    m_message.clear();
    preview.Clear();
    paginator.LoadFromRichEdit(source);
    return m_message;
}
