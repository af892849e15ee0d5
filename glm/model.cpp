// model.cpp: a model's groups and materials by name while it is read, and freeing a model.
#include <stdint.h>
#include <string.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>
#include "glm/glm_internal.h"

namespace {

// The 128-bit product of two words, folded to one.
uint64_t mix(uint64_t a, uint64_t b) {
    unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
}

struct HashKey {
    uint64_t k0, k1;
};

// A key of the process's own, so that nobody can write names that collide in advance.
HashKey makeKey(void) {
    HashKey key;
    if (getrandom(&key, sizeof key, 0) != static_cast<ssize_t>(sizeof key)) {
        key.k0 = static_cast<uint64_t>(time(nullptr)) ^ reinterpret_cast<uintptr_t>(&key);
        key.k1 = static_cast<uint64_t>(getpid()) * 0x9e3779b97f4a7c15ull;
    }
    key.k1 |= 1;
    return key;
}

}  // namespace

// Eight bytes at a time, each word mixed with the state under the process's key.
uint32_t _glmNameHash(const char* name) {
    static const HashKey key = makeKey();
    const size_t length = strlen(name);
    uint64_t h = key.k0 ^ length;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        memcpy(&word, name + i, 8);
        h = mix(h ^ word, key.k1);
    }
    uint64_t last = 0;
    memcpy(&last, name + i, length - i);
    h = mix(h ^ last, key.k1);
    return static_cast<uint32_t>(mix(h, key.k0 ^ key.k1));
}

namespace {

// A slot holds an entry's hash above its number + 1; an empty slot is 0.
uint64_t slotOf(uint32_t entry, uint32_t hash) { return static_cast<uint64_t>(hash) << 32 | (entry + 1); }
uint32_t entryOf(uint64_t slot) { return static_cast<uint32_t>(slot) - 1; }
uint32_t hashOf(uint64_t slot) { return static_cast<uint32_t>(slot >> 32); }

// The slot that holds the entry named `name` (of hash `hash`), or the empty one where it
// would go; `nameOf` gives an entry's name by its number. Names are compared only where the
// hashes agree.
template <typename NameOf>
uint32_t nameSlot(const GlmNameSlots* table, const char* name, uint32_t hash, NameOf nameOf) {
    uint32_t mask = table->slotCount - 1;
    for (uint32_t s = hash & mask;; s = (s + 1) & mask) {
        uint64_t slot = table->slots[s];
        if (slot == 0 || (hashOf(slot) == hash && strcmp(nameOf(entryOf(slot)), name) == 0)) return s;
    }
}

// Room for `entries` entries (more than twice as many slots), keeping those it holds.
void makeSlots(GlmNameSlots* table, uint32_t entries) {
    GlmNameSlots old = *table;
    table->slotCount = 32;
    while (table->slotCount <= 2 * static_cast<uint64_t>(entries)) table->slotCount *= 2;
    table->slots = static_cast<uint64_t*>(_glmCalloc(table->slotCount, sizeof(uint64_t)));
    const uint32_t mask = table->slotCount - 1;
    for (uint32_t i = 0; i < old.slotCount; i++) {
        if (old.slots[i] == 0) continue;
        uint32_t s = hashOf(old.slots[i]) & mask;
        while (table->slots[s]) s = (s + 1) & mask;
        table->slots[s] = old.slots[i];
    }
    _glmFree(old.slots);
}

}  // namespace

int64_t _glmFindGroup(const GlmGroupIndex* index, const char* name) {
    if (index->names.slotCount == 0) return -1;
    uint32_t s = nameSlot(&index->names, name, _glmNameHash(name), [index](uint32_t n) { return index->groups[n]->name; });
    return index->names.slots[s] ? static_cast<int64_t>(entryOf(index->names.slots[s])) : -1;
}

uint32_t _glmEnsureGroup(GlmModel* model, GlmGroupIndex* index, const char* name) {
    auto nameOf = [index](uint32_t n) { return index->groups[n]->name; };
    const uint32_t hash = _glmNameHash(name);
    if (index->names.slotCount) {
        uint64_t slot = index->names.slots[nameSlot(&index->names, name, hash, nameOf)];
        if (slot) return entryOf(slot);
    }
    if (index->count == index->room) {
        index->room = index->room ? index->room * 2 : 16;
        GlmGroup** groups = static_cast<GlmGroup**>(_glmAlloc(index->room * sizeof(GlmGroup*)));
        if (index->count) memcpy(groups, index->groups, index->count * sizeof(GlmGroup*));
        _glmFree(index->groups);
        index->groups = groups;
    }
    if (2 * (index->count + 1) >= index->names.slotCount) makeSlots(&index->names, 2 * (index->count + 1));
    GlmGroup* group = static_cast<GlmGroup*>(_glmCalloc(1, sizeof *group));
    group->name = _glmStrdup(name);
    group->next = model->groupList;
    model->groupList = group;
    model->groupCount++;
    uint32_t number = index->count++;
    index->groups[number] = group;
    index->names.slots[nameSlot(&index->names, name, hash, nameOf)] = slotOf(number, hash);
    return number;
}

void _glmFreeGroupIndex(GlmGroupIndex* index) {
    _glmFree(index->groups);
    _glmFree(index->names.slots);
    *index = GlmGroupIndex{};
}

namespace {

// A material's name (table 0) or whole name (table 1); "" where it has none.
const char* materialName(const GlmModel* model, int table, uint32_t n) {
    const char* name = table == 0 ? model->materialArray[n].name : model->materialArray[n].wholeName;
    return name ? name : "";
}

int32_t lookup(const GlmModel* model, int table, const char* name) {
    if (!model->materialNames || model->materialCount == 0) return -1;
    const GlmNameSlots* t = &model->materialNames[table];
    uint32_t s = nameSlot(t, name, _glmNameHash(name), [&](uint32_t n) { return materialName(model, table, n); });
    return t->slots[s] ? static_cast<int32_t>(entryOf(t->slots[s])) : -1;
}

}  // namespace

void _glmIndexMaterials(GlmModel* model) {
    if (!model->materialNames) model->materialNames = static_cast<GlmNameSlots*>(_glmCalloc(2, sizeof(GlmNameSlots)));
    for (int table = 0; table < 2; table++) {
        GlmNameSlots* t = &model->materialNames[table];
        _glmFree(t->slots);
        *t = GlmNameSlots{};
        makeSlots(t, model->materialCount);
        auto nameOf = [&](uint32_t n) { return materialName(model, table, n); };
        // the first material of each name is the one found
        for (uint32_t i = 0; i < model->materialCount; i++) {
            const char* name = nameOf(i);
            const uint32_t hash = _glmNameHash(name);
            uint32_t s = nameSlot(t, name, hash, nameOf);
            if (t->slots[s] == 0) t->slots[s] = slotOf(i, hash);
        }
    }
}

int32_t _glmLookupMaterial(const GlmModel* model, const char* name) { return lookup(model, 0, name); }

int32_t _glmLookupUsedMaterial(const GlmModel* model, char* line) {
    char whole[GLM_BUFFER_SIZE];
    _glmWholeName(line, whole);
    if (_glmNameWord(line) == GLM_EOF) return 0;
    int32_t found = whole[0] ? lookup(model, 1, whole) : -1;
    return found >= 0 ? found : _glmLookupMaterial(model, line);
}

void _glmFreeMaterials(GlmModel* model) {
    _glmFreeImages(model);
    for (uint32_t i = 0; i < model->materialCount; i++) {
        _glmFree(model->materialArray[i].name);
        _glmFree(model->materialArray[i].wholeName);
        _glmFree(model->materialArray[i].textureMap);
        _glmFree(model->materialArray[i].emissionMap);
        _glmFree(model->materialArray[i].opacityMap);
    }
    _glmFree(model->materialArray);
    model->materialArray = nullptr;
    model->materialCount = 0;
    for (int table = 0; model->materialNames && table < 2; table++) _glmFree(model->materialNames[table].slots);
    _glmFree(model->materialNames);
    model->materialNames = nullptr;
}

void glmDelete(GlmModel* model) {
    if (!model) return;
    _glmFree(model->objPath);
    _glmFree(model->libraryName);
    _glmFree(model->vertexData);
    _glmFree(model->normalData);
    _glmFree(model->texCoordData);
    _glmFree(model->facetNormalData);
    _glmFree(model->triangleArray);
    _glmFree(model->lineArray);
    _glmFree(model->pointArray);
    _glmFree(model->colorData);
    _glmFreeMaterials(model);
    for (uint32_t i = 0; i < model->libraryPathCount; i++) _glmFree(model->libraryPaths[i]);
    _glmFree(model->libraryPaths);
    for (GlmGroup* g = model->groupList; g;) {
        GlmGroup* next = g->next;
        _glmFree(g->name);
        _glmFree(g->triangleIndices);
        _glmFree(g);
        g = next;
    }
    _glmFree(model);
}
