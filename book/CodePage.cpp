#include "CodePage.h"

std::unique_ptr<CCodePage> CCodePage::Create(const std::string& forced) {
    std::unique_ptr<CCodePage> page(new CCodePage);
    if (!forced.empty()) {
        page->m_pForced = CTextCodec::Create(forced);
        if (!page->m_pForced || !page->m_pForced->IsByteText())
            return nullptr;
        page->m_pCurrent = page->m_pForced.get();
        return page;
    }
    page->m_pDefault = CTextCodec::Create(CTextCodec::kDefaultCodePage);
    page->m_pUtf8 = CTextCodec::Create("UTF-8");
    if (!page->m_pDefault || !page->m_pUtf8)
        return nullptr;
    page->m_pCurrent = page->m_pDefault.get();
    return page;
}

const CTextCodec& CCodePage::CodecFor(bool looksUtf8) const {
    if (IsForced())
        return *m_pForced;
    return looksUtf8 ? *m_pUtf8 : *m_pDefault;
}
