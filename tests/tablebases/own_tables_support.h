// Helpers of the tests of the engine's own tables: the three-men set computed once in the test
// process, positions written as piece lists, and the generated set's directory.
#pragma once

#include <cstdlib>
#include <string>

#include "tablebases/tb_generator.h"

// Computes every three-men table once (the generator keeps them).
inline void computeThreeMenTables() {
    static bool done = false;
    if (done) return;
    done = true;
    TbMaterial materials[16];
    int n = tbGenMaterials(3, 0, materials, 16);
    for (int i = 0; i < n; i++) tbGenerate(materials[i], nullptr);
}

inline TbMaterial materialNamed(const char* name) {
    TbMaterial m{};
    tbMaterialFromName(name, &m);
    return m;
}

// The piece lists of a table position (slot squares in the table's own orientation).
inline void listsOfSlots(const TbMaterial& m, const int squares[TbMaxMen], TbPieceList* white,
                         TbPieceList* black) {
    *white = TbPieceList{1, {TbKing, 0, 0, 0}, {squares[0], 0, 0, 0}};
    *black = TbPieceList{1, {TbKing, 0, 0, 0}, {squares[1], 0, 0, 0}};
    for (int i = 2; i < m.men; i++) {
        TbPieceList* list = m.colours[i] == 0 ? white : black;
        list->types[list->count] = m.types[i];
        list->squares[list->count] = squares[i];
        list->count++;
    }
}

// Where the generated set is: MORVANE_TABLES_DIR, else the build's own set.
inline std::string generatedSetDirectory() {
    const char* override = std::getenv("MORVANE_TABLES_DIR");
    return override != nullptr ? override : MORVANE_BUILT_TABLES;
}
