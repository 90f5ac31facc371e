#pragma once

#include "ItemNames.h"
#include "PlainArray.h"
#include "TextCodec.h"

#include <cstdint>
#include <string>
#include <string_view>

// Receives the items a scan finds, one call per item, in file order. The name is only valid
// during the call.
class CItemSink {
public:
    virtual ~CItemSink() = default;
    virtual void AddItem(std::int32_t position, std::u16string_view name) = 0;
    // The same for a name whose bytes are all below 0x80, each the character of its value: a
    // sink that stores names may keep the bytes as they are.
    virtual void AddAsciiItem(std::int32_t position, std::string_view name) {
        const std::u16string wide(name.begin(), name.end());
        AddItem(position, wide);
    }
    // The same for a name that is bytes (no zero among them) in the code page of codec, which
    // DecodesInPlace: such a sink may keep the bytes and convert them when they are read.
    virtual void AddCodedItem(std::int32_t position, std::string_view bytes,
                              const CTextCodec& codec) {
        std::u16string name;
        codec.DecodeAppendNonAscii(bytes, name);
        AddItem(position, name);
    }
    // The same as AddItem for all the items of a part held to be reported together: item i at
    // positions[i] + shift, named by row i of names. A sink that stores names may take both
    // whole, leaving them empty, and return true; false, with nothing taken or reported, has the
    // items reported one by one.
    virtual bool AdoptHeldItems(CPlainArray<std::int32_t>& /*positions*/, std::int32_t /*shift*/,
                                CItemNames& /*names*/) {
        return false;
    }
    // The same for a part held to be reported after the items so far, but copied: a sink that
    // stores names appends copies of them (as many as fit, as one by one) and returns true;
    // false, with nothing taken or reported, has the items reported one by one.
    virtual bool CopyHeldItems(const CPlainArray<std::int32_t>& /*positions*/,
                               std::int32_t /*shift*/, CItemNames& /*names*/) {
        return false;
    }
    // Reports an item named by bytes (no zero among them; ascii: all below 0x80) in the code
    // page of codec, the cheapest way this sink takes; scratch is room for a conversion.
    void AddNamedItem(std::int32_t position, std::string_view bytes, bool ascii,
                      const CTextCodec& codec, std::u16string& scratch) {
        if (ascii && codec.IsAsciiCompatible()) {
            AddAsciiItem(position, bytes);
        } else if (codec.DecodesInPlace()) {
            AddCodedItem(position, bytes, codec);
        } else {
            scratch.clear();
            codec.DecodeAppendNonAscii(bytes, scratch);
            AddItem(position, scratch);
        }
    }
};
