#include "preview/GmPageList.h"

// Replaced by the paginator once the rich text control is available.
int gmFormatRange(TRxRichEdit *, richedit::FORMATRANGE &fr, bool)
{
    return fr.chrg.cpMin;
}
