// An index of where a layer's entities stand, so that a pass looks only at
// the entities that can matter to it instead of at the whole layer. It
// changes no result: the passes visit what it finds in array order and run
// the same tests on it as on every entity, and it finds a superset of the
// entities those tests can pick.
//
// Each entity is filed in a uniform grid under the hull of all its frames
// (the corners of every frame, negative sizes included), so that the filing
// holds whatever frame the animation shows. Entities that never have a box
// (no frames) are not filed; those at a position that is not finite, beyond
// grid_limit or whose hull covers too many cells are on a list that every
// search returns. Cells are kept in hash tables of buckets, one for the
// entities that never move, laid out once in a single array, and one for
// the movers; cells that share a bucket only add candidates, never hide
// one. Neighbouring cells of a row have neighbouring buckets, so that a
// search reads memory that lies together. Each entry in a bucket
// carries an area the entity stays within while filed there (its hull for
// an entity that never moves, its cells for a mover), so that a search
// passes over entries far from it without reading the entities.
//
// Entities that move (their update is not update_none) are on the list of
// movers and are filed again after each of their updates; nothing else
// moves an entity, so the filing stays true as long as an indexed layer is
// updated through update_pass only. Adding to a layer drops its index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "entity.h"

// Cells an entity or a search covers, from (left, top) to (right, bottom)
// included.
struct CellRange {
    int32_t left, top, right, bottom;
};

enum class Filing { none, grid, always };

// An entity in one cell, with the area it stays within.
struct CellEntry {
    int32_t entity;
    float left, top, right, bottom;
};

struct EntityFiling {
    Filing filing = Filing::none;
    bool moves = false;
    CellRange cells = {0, 0, -1, -1};
    // The hull of all frames, from the entity's position.
    int32_t hull_left = 0, hull_top = 0, hull_right = 0, hull_bottom = 0;
};

struct LayerIndex {
    std::vector<int32_t> movers;  // entities whose update is not update_none, in array order
    std::vector<EntityFiling> filings;  // one per entity
    // An entry per entity that never moves and cell it covers: bucket b
    // holds fixed_entries from fixed_start[b] up to fixed_start[b + 1].
    std::vector<uint32_t> fixed_start;
    std::vector<CellEntry> fixed_entries;
    uint32_t fixed_mask = 0;
    // An entry per mover and cell it covers.
    std::vector<std::vector<CellEntry>> moving_buckets;
    uint32_t moving_mask = 0;
    std::vector<int32_t> always;  // entities every search returns
    std::vector<int32_t> found;   // the last search's result, sorted, each entity once
};

// Indexes each layer of the level, and drops the indexes again.
void index_map(Map &map);
void unindex_map(Map &map);
void index_layer(Layer &layer);
void drop_layer_index(Layer &layer);

// Files mover i again after it moved, if its cells changed.
void refile_entity(Layer &layer, int32_t i);

// Fills index.found with every entity filed in a cell that the rectangle
// from (left, top) to (right, bottom) touches, unless the area of its entry
// lies clear of the rectangle, and every entity of the always list. False,
// with found untouched, when the rectangle is not finite, reaches beyond the
// grid or covers too many cells: the caller then looks at every entity.
bool find_in_rectangle(LayerIndex &index, double left, double top, double right, double bottom);

// Walks the entities that a moving entity's collision rules may fire on, in
// array order. With an index these are the entities near the rectangle
// spanning the mover's previous and current positions and its box; the
// rules only ever move the mover back within that span. Should the mover
// still leave it (by rounding), the walk goes on over every later entity,
// so nothing is missed. Without an index it is every entity.
struct ColliderWalk {
    const Layer *layer;
    const std::vector<int32_t> *candidates;  // null: every entity in turn
    size_t next_candidate;
    int32_t next_entity;  // next entity when walking every entity
    // The area the mover must stay in for the candidates to be enough.
    double safe_left, safe_top, safe_right, safe_bottom;
};

ColliderWalk start_collider_walk(const Layer &layer, const Entity &mover);
// Gives the next entity to test in i; false when there is none left. The
// mover is read at its position of the moment.
bool next_collider(ColliderWalk &walk, const Entity &mover, int32_t &i);
