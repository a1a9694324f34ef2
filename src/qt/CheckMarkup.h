// SPDX-License-Identifier: GPL-3.0-or-later
// A checked dictation marked up in a text document, as the practice window and the review
// window show it: a wrong word red, bold and wavy-underlined with the right one after it in
// 〔〕, a missing one blue and dashed in ［］, an extra one grey and struck through in ｛｝, so
// colour is never the only cue. User-interface thread only.
#pragma once

#include <utility>
#include <vector>

#include "check/Markup.h"

class QTextDocument;

namespace tessaly::qt {

// Replaces the document's text with the marked-up pieces; where each slip's mark lies in it
// (its first character and the one after its last), in the order of the slips.
std::vector<std::pair<int, int>> writeMarkup(QTextDocument& document, const std::vector<MarkPiece>& marks);

}  // namespace tessaly::qt
