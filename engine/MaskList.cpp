#include "engine/MaskList.h"

namespace twinsweep {

void SplitMaskList(const std::string& text, std::vector<std::string>& list, bool dropSpaces)
{
    std::string piece;
    auto closePiece = [&] {
        if (!piece.empty())
            list.push_back(std::move(piece));
        piece.clear();
    };
    for (char c : text) {
        if (c == ' ' && dropSpaces)
            continue;
        if (c == ';' || c == ',')
            closePiece();
        else
            piece += c;
    }
    closePiece();
}

}  // namespace twinsweep
