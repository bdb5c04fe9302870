#pragma once

#include <random>

#include "authoring/editor.h"

// The benchmarks' reference session: 3 states, D8, a random rule, `tabs` tabs of 40 x 40 random
// cells, the last tab selected. The editor comes with its rule and view already set.
inline void FillReferenceSession(authoring::Editor& editor, int tabs = 12) {
    std::mt19937 rng(3);
    for (int t = 0; t < tabs; ++t) {
        if (t > 0) editor.NewTab(authoring::PatternKind::Pattern);
        editor.BeginStroke();
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                if (rng() % 3 == 0) editor.PaintCell({authoring::Surface::TabFrame, 0}, x, y, rng() % 2);
    }
    editor.SelectTab(0);
    editor.RandomizeUndefinedTransitions(11);
    editor.SelectTab(static_cast<std::size_t>(tabs - 1));
}
