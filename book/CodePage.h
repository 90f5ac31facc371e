#pragma once

#include "TextCodec.h"

#include <memory>
#include <string>

// Chooses the code page each book is read in. A code page the user forced always wins;
// otherwise a book whose text is valid UTF-8 and holds non-ASCII bytes is read as UTF-8, and
// any other book as CP949. The choice is made once per index build and kept for the displays
// of that book's items.
class CCodePage {
public:
    // forced: an iconv code page name, or empty to choose per book. Null when iconv does not
    // know the forced name or books can't be read in it (CTextCodec::IsByteText).
    static std::unique_ptr<CCodePage> Create(const std::string& forced = {});

    bool IsForced() const { return m_pForced != nullptr; }
    // The codec a book is read in, by whether its bytes look like UTF-8; the forced one
    // whatever they look like.
    const CTextCodec& CodecFor(bool looksUtf8) const;
    // Sets the choice for the book being indexed; ignored while a code page is forced.
    void ChooseFor(bool looksUtf8) { m_pCurrent = &CodecFor(looksUtf8); }
    const CTextCodec& Codec() const { return *m_pCurrent; }

private:
    CCodePage() = default;

    std::unique_ptr<CTextCodec> m_pForced;
    std::unique_ptr<CTextCodec> m_pDefault;
    std::unique_ptr<CTextCodec> m_pUtf8;
    const CTextCodec* m_pCurrent = nullptr;
};
