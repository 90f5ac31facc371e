#include "IndexSink.h"

void CIndexSink::AddItem(std::int32_t position, std::u16string_view name) {
    if (m_bFull || m_names.Append(name) < 0) {
        m_bFull = true;
        return;
    }
    Close(position);
}

void CIndexSink::AddAsciiItem(std::int32_t position, std::string_view name) {
    if (m_bFull || m_names.AppendAscii(name) < 0) {
        m_bFull = true;
        return;
    }
    Close(position);
}

void CIndexSink::AddCodedItem(std::int32_t position, std::string_view bytes,
                              const CTextCodec& codec) {
    if (m_bFull || m_names.AppendCoded(bytes, codec) < 0) {
        m_bFull = true;
        return;
    }
    Close(position);
}

bool CIndexSink::AdoptHeldItems(CPlainArray<std::int32_t>& positions, std::int32_t shift,
                                CItemNames& names) {
    if (m_bFull || positions.Size() == 0 ||
        positions.Size() != static_cast<std::size_t>(names.Count()))
        return false;
    const auto start = static_cast<std::size_t>(positions[0] + shift);
    if (!m_table.CanAdoptTail(positions.Size()) || !m_names.AdoptHeld(names))
        return false;
    m_table.AdoptTail(positions, shift);
    Passed(start);
    return true;
}

bool CIndexSink::CopyHeldItems(const CPlainArray<std::int32_t>& positions, std::int32_t shift,
                               CItemNames& names) {
    if (positions.Size() != static_cast<std::size_t>(names.Count()))
        return false;
    if (m_bFull || positions.Size() == 0)
        return true;
    const auto copied = static_cast<std::size_t>(m_names.AppendRowsOf(names));
    m_table.AppendShifted(positions, copied, shift);
    m_bFull = copied < positions.Size();
    if (copied)
        Passed(static_cast<std::size_t>(positions[copied - 1] + shift));
    return true;
}

void CIndexSink::Passed(std::size_t position) {
    if (m_pPassed && position >= m_nPassed + kPassedStep) {
        (*m_pPassed)(m_nPassed, position);
        m_nPassed = position;
    }
}
