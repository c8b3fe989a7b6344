#pragma once
// The preview's copy of a document is the source control's Rich Text read into an empty
// control. These helpers make that copy, and tell beforehand whether the copy would be the
// source's document itself: then a caller that keeps the source unchanged can lay its pages
// out from the source and spare a long document's copy (for a million short paragraphs, the
// RTF written and read again took a third of the whole pagination).

#include <QByteArray>

class TRxRichEdit;

namespace rtfcopy {

// The control's whole document as Rich Text.
QByteArray streamOut(TRxRichEdit &source);

// Replaces the control's selection with Rich Text; read into an empty control it becomes the
// control's whole document.
void replaceSelection(TRxRichEdit &copy, const QByteArray &rtf);

// Whether copying source through Rich Text into a new control gives a document equal to
// source's own: the same text, paragraph formats and character formats at every position,
// the same tables (formats, grids, cell formats and spans), the same document settings.
// Answered from a sample of units, a unit being a paragraph outside tables or a whole table
// (its shape made of its grid, its cells' formats and all its paragraphs' shapes): the
// document's first and last unit and, for every pair of neighbouring units, the first place
// where a unit of that shape (a paragraph's format, mark format and run formats) follows one
// of that shape. The sample goes through Rich Text and must come back unchanged. Documents the
// sample cannot speak for answer false without one: tables inside tables, lists, pictures and
// other objects, text other than printable ASCII, tabs and line breaks, Symbol-font runs, text
// a control would mark as a link, and documents of so many shapes that the sample would hold
// more than a quarter of their paragraphs (the copy costs little then).
bool readsBackUnchanged(TRxRichEdit &source);

} // namespace rtfcopy
