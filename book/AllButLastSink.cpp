#include "AllButLastSink.h"

void CAllButLastSink::AddItem(std::int32_t position, std::u16string_view name) {
    PassHeld();
    m_nPosition = position;
    m_nForm = EForm::Wide;
    m_strWide.assign(name);
}

void CAllButLastSink::AddAsciiItem(std::int32_t position, std::string_view name) {
    PassHeld();
    m_nPosition = position;
    m_nForm = EForm::Ascii;
    m_strBytes.assign(name);
}

void CAllButLastSink::AddCodedItem(std::int32_t position, std::string_view bytes,
                                   const CTextCodec& codec) {
    PassHeld();
    m_nPosition = position;
    m_nForm = EForm::Coded;
    m_strBytes.assign(bytes);
    m_pCodec = &codec;
}

void CAllButLastSink::PassHeld() {
    if (m_nPosition < 0)
        return;
    switch (m_nForm) {
    case EForm::Wide:
        m_next.AddItem(m_nPosition, m_strWide);
        break;
    case EForm::Ascii:
        m_next.AddAsciiItem(m_nPosition, m_strBytes);
        break;
    case EForm::Coded:
        m_next.AddCodedItem(m_nPosition, m_strBytes, *m_pCodec);
        break;
    }
}
