// \object groups. An embedded object is shown by the picture of its \result; what the group
// holds before that (\objemb, \objclass, \objdata ...) is the object itself. Its tokens are
// written again as RTF into the picture's format, so that saving writes the object back whole.
// \uN characters are left out of the kept data (object headers hold none in practice).
#include "RtfReader.h"

#include "RtfPicture.h"
#include "richedit/RichEditTypes.h"

namespace rtf {

void RtfReader::beginObject()
{
    if (m_objectDepth != 0)
        return; // an object inside an object's result: only the outer one is kept
    m_objectDepth = m_stack.size();
    m_objectData.clear();
    m_capturing = true;
    m_captureDelimit = false;
    m_captureGroupAt = 0;
    m_objectPending = false;
    m_objectWidth = m_objectHeight = 0;
    m_tokenizer->setKeepBinary(true);
}

void RtfReader::captureToken(const RtfTokenizer::Token &token)
{
    QByteArray &out = m_objectData;
    auto word = [&](std::string_view w) {
        out.append('\\');
        out.append(w.data(), qsizetype(w.size()));
    };
    switch (token.type) {
    case RtfTokenizer::Type::GroupOpen:
        m_captureGroupAt = out.size();
        out.append('{');
        m_captureDelimit = false;
        break;
    case RtfTokenizer::Type::GroupClose:
        // Not the object group's own end (groups past the depth limit push no state).
        if (m_overflow > 0 || m_stack.size() > m_objectDepth)
            out.append('}');
        m_captureDelimit = false;
        break;
    case RtfTokenizer::Type::ControlWord:
        word(token.word);
        if (token.hasParam)
            out.append(QByteArray::number(token.param));
        if (m_stack.size() == m_objectDepth && token.word == "objw")
            m_objectWidth = std::max(token.param, 0);
        else if (m_stack.size() == m_objectDepth && token.word == "objh")
            m_objectHeight = std::max(token.param, 0);
        m_captureDelimit = true;
        break;
    case RtfTokenizer::Type::ControlSymbol:
        out.append('\\');
        out.append(token.symbol);
        m_captureDelimit = false;
        break;
    case RtfTokenizer::Type::Text:
        if (m_captureDelimit)
            out.append(' ');
        out.append(token.text, token.length);
        m_captureDelimit = false;
        break;
    case RtfTokenizer::Type::HexByte: {
        static const char digits[] = "0123456789abcdef";
        const char escape[4] = {'\\', '\'', digits[(token.byte >> 4) & 0xF],
                                digits[token.byte & 0xF]};
        out.append(escape, 4);
        m_captureDelimit = false;
        break;
    }
    case RtfTokenizer::Type::Binary:
        word("bin");
        out.append(QByteArray::number(token.binary.size()));
        out.append(' ');
        out.append(token.binary);
        m_captureDelimit = false;
        break;
    case RtfTokenizer::Type::Unicode:
    case RtfTokenizer::Type::End:
        break;
    }
}

void RtfReader::objectResult()
{
    if (!m_capturing || m_stack.size() != m_objectDepth + 1)
        return;
    m_objectData.truncate(m_captureGroupAt); // the "{\result" that was captured
    m_capturing = false;
    m_objectPending = true;
    m_tokenizer->setKeepBinary(m_inPicture);
}

void RtfReader::endObject()
{
    const bool noResult = m_capturing;
    m_capturing = false;
    m_objectDepth = 0;
    m_tokenizer->setKeepBinary(m_inPicture);
    if (noResult && !m_options.noObjects) {
        // No picture to show it by: a placeholder of the object's size keeps the object.
        PictureState placeholder;
        placeholder.kind = PictureState::Kind::Other;
        placeholder.goalWidth = m_objectWidth;
        placeholder.goalHeight = m_objectHeight;
        DecodedPicture picture = decodePicture(placeholder);
        picture.format.setProperty(richedit::prop::ObjectData, m_objectData);
        beginContent();
        flushText();
        m_sink.insertImage(picture.format, picture.image);
    }
    m_objectPending = false;
    m_objectData.clear();
}

} // namespace rtf
