#include "bench/BenchPlatform.h"

CBenchPlatform::CBenchPlatform() : m_pPrevious(SetPlatform(this)) {}

CBenchPlatform::~CBenchPlatform() {
    SetPlatform(m_pPrevious);
}

void CBenchPlatform::MessageBox(const std::string& text) {
    ++boxes;
    lastBox = text;
}

bool CBenchPlatform::SelectInstrument(const std::vector<std::string>& /*names*/,
                                      std::string& /*selection*/) {
    ++boxes;
    lastBox = "Select Instrument";
    return false;
}
