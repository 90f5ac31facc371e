#pragma once

#include "ItemSink.h"

#include <cstdint>
#include <string>
#include <string_view>

// Passes every item on to another sink but the last one, which it holds back: for a scan of a
// book's first bytes only, whose last item may go on past them. The held item's position is
// where the items passed on end. The held name is copied, so the scan's buffers may go.
class CAllButLastSink : public CItemSink {
public:
    explicit CAllButLastSink(CItemSink& next) : m_next(next) {}

    void AddItem(std::int32_t position, std::u16string_view name) override;
    void AddAsciiItem(std::int32_t position, std::string_view name) override;
    void AddCodedItem(std::int32_t position, std::string_view bytes,
                      const CTextCodec& codec) override;

    // The held item's position: where the items passed on end; -1 before the first item.
    std::int32_t HeldPosition() const { return m_nPosition; }

private:
    enum class EForm { Wide, Ascii, Coded };
    // Passes the held item on, if any.
    void PassHeld();

    CItemSink& m_next;
    std::int32_t m_nPosition = -1;
    EForm m_nForm = EForm::Wide;
    std::u16string m_strWide;
    std::string m_strBytes;
    const CTextCodec* m_pCodec = nullptr;
};
