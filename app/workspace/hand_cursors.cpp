#include "workspace/hand_cursors.h"

#include "workspace/cursor_art.h"

QStringList pointingHandArt() {
    return {
        QStringLiteral("    ##          "), //
        QStringLiteral("   #..#         "), //
        QStringLiteral("   #..#         "), //
        QStringLiteral("   #..#         "), //
        QStringLiteral("   #..###       "), //
        QStringLiteral("   #..#..###    "), //
        QStringLiteral("   #..#..#..##  "), //
        QStringLiteral("## #..#..#..#.# "), //
        QStringLiteral("#..#.........#.#"), //
        QStringLiteral("#...#..........#"), //
        QStringLiteral(" #.............#"), //
        QStringLiteral("  #............#"), //
        QStringLiteral("  #...........# "), //
        QStringLiteral("   #..........# "), //
        QStringLiteral("    #........#  "), //
        QStringLiteral("    ##########  "), //
    };
}

QStringList openHandArt() {
    return {
        QStringLiteral("       ##       "), //
        QStringLiteral("    ###..###    "), //
        QStringLiteral("   #..#..#..#   "), //
        QStringLiteral("   #..#..#..### "), //
        QStringLiteral("   #..#..#..#..#"), //
        QStringLiteral("   #..#..#..#..#"), //
        QStringLiteral(" ###..#..#..#..#"), //
        QStringLiteral("#..#...........#"), //
        QStringLiteral("#...#..........#"), //
        QStringLiteral(" #.............#"), //
        QStringLiteral("  #............#"), //
        QStringLiteral("  #...........# "), //
        QStringLiteral("   #..........# "), //
        QStringLiteral("    #........#  "), //
        QStringLiteral("     #.......#  "), //
        QStringLiteral("     #########  "), //
    };
}

QStringList grabbingHandArt() {
    return {
        QStringLiteral("                "), //
        QStringLiteral("                "), //
        QStringLiteral("                "), //
        QStringLiteral("                "), //
        QStringLiteral("    ## ## ##    "), //
        QStringLiteral("   #..#..#..##  "), //
        QStringLiteral("   #........#.# "), //
        QStringLiteral("   #..........# "), //
        QStringLiteral("  ##..........# "), //
        QStringLiteral(" #.#..........# "), //
        QStringLiteral(" #............# "), //
        QStringLiteral("  #...........# "), //
        QStringLiteral("   #..........# "), //
        QStringLiteral("    #........#  "), //
        QStringLiteral("     #.......#  "), //
        QStringLiteral("     #########  "), //
    };
}

std::unique_ptr<QCursor> createPointingHandCursor() {
    return createArtCursor(pointingHandArt(), 5, 1);
}

std::unique_ptr<QCursor> createOpenHandCursor() {
    return createArtCursor(openHandArt(), 7, 7);
}

std::unique_ptr<QCursor> createGrabbingHandCursor() {
    return createArtCursor(grabbingHandArt(), 8, 9);
}
