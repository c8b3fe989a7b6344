#pragma once
// Conversions between Qt's text formats and the CHARFORMAT2 / PARAFORMAT2 structures, and the
// one place that turns the paragraph's twips properties into the Qt layout properties.

#include "FormatMapping.h"
#include "RichEditTypes.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>

class QTextDocument;

namespace richedit {

// Reads every attribute of a character format (resolved over the document's default) into cf,
// with the mask of everything CHARFORMAT2 carries.
void readCharFormat(const QTextCharFormat &format, const QTextCharFormat &defaults,
                    CHARFORMAT2 &cf);
// Clears the mask bits of cf whose attributes differ in other (both read as above).
void narrowCharMask(CHARFORMAT2 &cf, const CHARFORMAT2 &other);
// Applies the attributes named by cf.dwMask to format, removing properties where the value is
// "automatic" (automatic colour, automatic background).
void writeCharFormat(QTextCharFormat &format, const CHARFORMAT2 &cf);

// Reads a paragraph format into pf with the mask of everything PARAFORMAT2 carries.
void readParaFormat(const QTextBlockFormat &format, PARAFORMAT2 &pf);
void narrowParaMask(PARAFORMAT2 &pf, const PARAFORMAT2 &other);
// Applies the members named by pf.dwMask, then refreshes the layout properties.
void writeParaFormat(QTextBlockFormat &format, const PARAFORMAT2 &pf);

// The text of a numbered paragraph's marker: "•" for bullets, "3." for arabic and so on.
QString numberingLabel(int numbering, int index);

} // namespace richedit
