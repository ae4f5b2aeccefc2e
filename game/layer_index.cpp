// Filing entities in the grid, searching it, and the walk over possible
// colliders. See layer_index.h for the rules.
//
// Searches are widened by rounding_margin on every side: the tests the
// passes run are computed in double from float positions, and within
// grid_limit their rounding stays far below it.
#include "layer_index.h"

#include <algorithm>
#include <cmath>

const double cell_size = 64;
// Positions up to 2^24 keep whole pixels exact in a float.
const double grid_limit = 16777216;
const double rounding_margin = 8;
const int64_t most_cells_per_entity = 64;
const int64_t most_cells_per_search = 1024;
const uint32_t fewest_buckets = 64;
// Moves to the next row of cells in the hash, so that neighbours in a row
// lie side by side in the bucket table.
const uint32_t row_stride = 0x9E3779B1u;

static bool within_grid(double left, double top, double right, double bottom)
{
    // Written so that NaN fails too.
    return left >= -grid_limit && right <= grid_limit && top >= -grid_limit &&
           bottom <= grid_limit && left <= right && top <= bottom;
}

static int32_t cell_of(double v)
{
    return static_cast<int32_t>(std::floor(v / cell_size));
}

static CellRange cells_of(double left, double top, double right, double bottom)
{
    return {cell_of(left), cell_of(top), cell_of(right), cell_of(bottom)};
}

static int64_t cell_count(const CellRange &r)
{
    return (int64_t(r.right) - r.left + 1) * (int64_t(r.bottom) - r.top + 1);
}

static bool same_cells(const CellRange &a, const CellRange &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

static uint32_t bucket_of(int32_t cx, int32_t cy, uint32_t mask)
{
    return (static_cast<uint32_t>(cx) + static_cast<uint32_t>(cy) * row_stride) & mask;
}

static std::vector<CellEntry> &moving_bucket(LayerIndex &index, int32_t cx, int32_t cy)
{
    return index.moving_buckets[bucket_of(cx, cy, index.moving_mask)];
}

// The smallest power of two from fewest_buckets up that is at least count.
static uint32_t buckets_for(int64_t count)
{
    uint32_t buckets = fewest_buckets;
    while (buckets < count && buckets < (1u << 30))
        buckets *= 2;
    return buckets;
}

// The hull of all the entity's frames around its position; false when it
// has no frames, so that it never has a box.
static bool find_hull(const Entity &e, EntityFiling &f)
{
    if (e.frames <= 0 || !e.sizex || !e.sizey)
        return false;
    f.hull_left = f.hull_top = f.hull_right = f.hull_bottom = 0;
    for (int32_t k = 0; k < e.frames; k++) {
        f.hull_left = std::min(f.hull_left, e.sizex[k]);
        f.hull_right = std::max(f.hull_right, e.sizex[k]);
        f.hull_top = std::min(f.hull_top, e.sizey[k]);
        f.hull_bottom = std::max(f.hull_bottom, e.sizey[k]);
    }
    return true;
}

// Where an entity with a hull belongs at its present position.
static void choose_filing(const Entity &e, EntityFiling &f)
{
    double left = double(e.x) + f.hull_left, right = double(e.x) + f.hull_right;
    double top = double(e.y) + f.hull_top, bottom = double(e.y) + f.hull_bottom;
    f.filing = Filing::always;
    if (!within_grid(left, top, right, bottom))
        return;
    CellRange cells = cells_of(left, top, right, bottom);
    if (cell_count(cells) > most_cells_per_entity)
        return;
    f.filing = Filing::grid;
    f.cells = cells;
}

// The area entity i stays within while filed in the grid: the hull where
// it stands, or for a mover the whole of its cells. Rounded to floats, it
// is off by far less than rounding_margin.
static CellEntry entry_for(const Layer &layer, int32_t i, const EntityFiling &f)
{
    if (f.moves)
        return {i, float(f.cells.left * cell_size), float(f.cells.top * cell_size),
                float((f.cells.right + 1.0) * cell_size), float((f.cells.bottom + 1.0) * cell_size)};
    const Entity &e = layer.entities[i];
    return {i, float(double(e.x) + f.hull_left), float(double(e.y) + f.hull_top),
            float(double(e.x) + f.hull_right), float(double(e.y) + f.hull_bottom)};
}

// Files mover i.
static void put_in(LayerIndex &index, const Layer &layer, int32_t i, const EntityFiling &f)
{
    if (f.filing == Filing::always)
        index.always.push_back(i);
    if (f.filing != Filing::grid)
        return;
    CellEntry entry = entry_for(layer, i, f);
    for (int32_t cy = f.cells.top; cy <= f.cells.bottom; cy++)
        for (int32_t cx = f.cells.left; cx <= f.cells.right; cx++)
            moving_bucket(index, cx, cy).push_back(entry);
}

// Removes one occurrence of entity i; the order of the rest does not matter.
static void remove_one(std::vector<int32_t> &list, int32_t i)
{
    auto at = std::find(list.begin(), list.end(), i);
    *at = list.back();
    list.pop_back();
}

static void remove_one(std::vector<CellEntry> &list, int32_t i)
{
    auto at = std::find_if(list.begin(), list.end(),
                           [i](const CellEntry &entry) { return entry.entity == i; });
    *at = list.back();
    list.pop_back();
}

// Takes mover i out of where it was filed.
static void take_out(LayerIndex &index, int32_t i, const EntityFiling &f)
{
    if (f.filing == Filing::always)
        remove_one(index.always, i);
    if (f.filing != Filing::grid)
        return;
    for (int32_t cy = f.cells.top; cy <= f.cells.bottom; cy++)
        for (int32_t cx = f.cells.left; cx <= f.cells.right; cx++)
            remove_one(moving_bucket(index, cx, cy), i);
}

// Lays out the entries of the entities that never move, bucket by bucket.
static void file_fixed(LayerIndex &index, const Layer &layer, int64_t cells)
{
    uint32_t buckets = buckets_for(cells);
    index.fixed_mask = buckets - 1;
    index.fixed_start.assign(buckets + 1, 0);
    std::vector<uint32_t> &start = index.fixed_start;
    for (const EntityFiling &f : index.filings)
        if (!f.moves && f.filing == Filing::grid)
            for (int32_t cy = f.cells.top; cy <= f.cells.bottom; cy++)
                for (int32_t cx = f.cells.left; cx <= f.cells.right; cx++)
                    start[bucket_of(cx, cy, index.fixed_mask) + 1]++;
    for (uint32_t b = 0; b < buckets; b++)
        start[b + 1] += start[b];
    index.fixed_entries.resize(start[buckets]);
    std::vector<uint32_t> filled(start.begin(), start.end() - 1);
    for (int32_t i = 0; i < layer.entity_count; i++) {
        const EntityFiling &f = index.filings[i];
        if (f.moves || f.filing != Filing::grid)
            continue;
        CellEntry entry = entry_for(layer, i, f);
        for (int32_t cy = f.cells.top; cy <= f.cells.bottom; cy++)
            for (int32_t cx = f.cells.left; cx <= f.cells.right; cx++)
                index.fixed_entries[filled[bucket_of(cx, cy, index.fixed_mask)]++] = entry;
    }
}

void index_layer(Layer &layer)
{
    drop_layer_index(layer);
    LayerIndex *index = new LayerIndex;
    index->filings.resize(layer.entity_count);
    int64_t fixed_cells = 0;
    for (int32_t i = 0; i < layer.entity_count; i++) {
        const Entity &e = layer.entities[i];
        EntityFiling &f = index->filings[i];
        f.moves = e.update != update_none;
        if (f.moves)
            index->movers.push_back(i);
        if (!find_hull(e, f))
            continue;
        choose_filing(e, f);
        if (f.filing == Filing::always)
            index->always.push_back(i);
        else if (!f.moves)
            fixed_cells += cell_count(f.cells);
    }
    file_fixed(*index, layer, fixed_cells);
    // Room for the movers to spread over twice the cells they cover now.
    uint32_t moving_buckets = buckets_for(4 * int64_t(index->movers.size()));
    index->moving_buckets.resize(moving_buckets);
    index->moving_mask = moving_buckets - 1;
    for (int32_t i : index->movers)
        if (index->filings[i].filing == Filing::grid)
            put_in(*index, layer, i, index->filings[i]);
    layer.index = index;
}

void drop_layer_index(Layer &layer)
{
    delete layer.index;
    layer.index = nullptr;
}

void index_map(Map &map)
{
    for (Layer &layer : map.layers)
        index_layer(layer);
}

void unindex_map(Map &map)
{
    for (Layer &layer : map.layers)
        drop_layer_index(layer);
}

void refile_entity(Layer &layer, int32_t i)
{
    LayerIndex &index = *layer.index;
    EntityFiling &f = index.filings[i];
    if (!f.moves || f.filing == Filing::none)
        return;
    EntityFiling moved = f;
    choose_filing(layer.entities[i], moved);
    if (moved.filing == f.filing && (f.filing == Filing::always || same_cells(moved.cells, f.cells)))
        return;
    take_out(index, i, f);
    put_in(index, layer, i, moved);
    f = moved;
}

bool find_in_rectangle(LayerIndex &index, double left, double top, double right, double bottom)
{
    left -= rounding_margin;
    top -= rounding_margin;
    right += rounding_margin;
    bottom += rounding_margin;
    if (!within_grid(left, top, right, bottom))
        return false;
    CellRange cells = cells_of(left, top, right, bottom);
    if (cell_count(cells) > most_cells_per_search)
        return false;
    std::vector<int32_t> &found = index.found;
    found.assign(index.always.begin(), index.always.end());
    auto take_if_near = [&](const CellEntry &entry) {
        if (entry.left <= right && entry.right >= left && entry.top <= bottom &&
            entry.bottom >= top)
            found.push_back(entry.entity);
    };
    for (int32_t cy = cells.top; cy <= cells.bottom; cy++)
        for (int32_t cx = cells.left; cx <= cells.right; cx++) {
            uint32_t b = bucket_of(cx, cy, index.fixed_mask);
            for (uint32_t k = index.fixed_start[b]; k < index.fixed_start[b + 1]; k++)
                take_if_near(index.fixed_entries[k]);
            for (const CellEntry &entry : moving_bucket(index, cx, cy))
                take_if_near(entry);
        }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return true;
}

ColliderWalk start_collider_walk(const Layer &layer, const Entity &mover)
{
    ColliderWalk walk = {&layer, nullptr, 0, 0, 0, 0, 0, 0};
    if (!layer.index)
        return walk;
    // The rules fire only on entities whose box touches the span from the
    // previous to the present position, widened by the mover's box; each
    // response puts the mover back between the two positions.
    double w = mover.sizex[mover.current_frame], h = mover.sizey[mover.current_frame];
    bool finite = std::isfinite(mover.x) && std::isfinite(mover.y) &&
                  std::isfinite(mover.old_x) && std::isfinite(mover.old_y);
    if (!finite || w < 0 || h < 0)
        return walk;
    double left = std::min(mover.x, mover.old_x), right = std::max(mover.x, mover.old_x);
    double top = std::min(mover.y, mover.old_y), bottom = std::max(mover.y, mover.old_y);
    if (!find_in_rectangle(*layer.index, left, top, right + w, bottom + h))
        return walk;
    walk.candidates = &layer.index->found;
    const double slack = rounding_margin / 2;
    walk.safe_left = left - slack;
    walk.safe_top = top - slack;
    walk.safe_right = right + slack;
    walk.safe_bottom = bottom + slack;
    return walk;
}

bool next_collider(ColliderWalk &walk, const Entity &mover, int32_t &i)
{
    if (walk.candidates) {
        bool safe = mover.x >= walk.safe_left && mover.x <= walk.safe_right &&
                    mover.y >= walk.safe_top && mover.y <= walk.safe_bottom;
        if (!safe)
            walk.candidates = nullptr;  // go on with every entity after the last one tested
        else if (walk.next_candidate == walk.candidates->size())
            return false;
        else {
            i = (*walk.candidates)[walk.next_candidate++];
            walk.next_entity = i + 1;
            return true;
        }
    }
    if (walk.next_entity >= walk.layer->entity_count)
        return false;
    i = walk.next_entity++;
    return true;
}
