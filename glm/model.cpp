// model.cpp: a model's groups and materials by name while it is read, and freeing a model.
#include <stdint.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

uint32_t hashName(const char* name) {
    uint32_t h = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; p++) h = (h ^ *p) * 16777619u;
    return h;
}

// The slot that holds the entry named `name`, or the empty one where it would go; `nameOf`
// gives an entry's name by its number.
template <typename NameOf>
uint32_t nameSlot(const GlmNameSlots* table, const char* name, NameOf nameOf) {
    uint32_t mask = table->slotCount - 1;
    for (uint32_t s = hashName(name) & mask;; s = (s + 1) & mask)
        if (table->slots[s] == 0 || strcmp(nameOf(table->slots[s] - 1), name) == 0) return s;
}

// A table of room for `entries` entries (more than twice as many slots), empty.
void makeSlots(GlmNameSlots* table, uint32_t entries) {
    _glmFree(table->slots);
    table->slotCount = 32;
    while (table->slotCount <= 2 * static_cast<uint64_t>(entries)) table->slotCount *= 2;
    table->slots = static_cast<uint32_t*>(_glmCalloc(table->slotCount, sizeof(uint32_t)));
}

}  // namespace

int64_t _glmFindGroup(const GlmGroupIndex* index, const char* name) {
    if (index->names.slotCount == 0) return -1;
    uint32_t s = nameSlot(&index->names, name, [index](uint32_t n) { return index->groups[n]->name; });
    return index->names.slots[s] ? static_cast<int64_t>(index->names.slots[s]) - 1 : -1;
}

uint32_t _glmEnsureGroup(GlmModel* model, GlmGroupIndex* index, const char* name) {
    int64_t found = _glmFindGroup(index, name);
    if (found >= 0) return static_cast<uint32_t>(found);
    if (index->count == index->room) {
        index->room = index->room ? index->room * 2 : 16;
        GlmGroup** groups = static_cast<GlmGroup**>(_glmAlloc(index->room * sizeof(GlmGroup*)));
        if (index->count) memcpy(groups, index->groups, index->count * sizeof(GlmGroup*));
        _glmFree(index->groups);
        index->groups = groups;
    }
    auto nameOf = [index](uint32_t n) { return index->groups[n]->name; };
    if (2 * (index->count + 1) >= index->names.slotCount) {
        makeSlots(&index->names, 2 * (index->count + 1));
        for (uint32_t n = 0; n < index->count; n++) index->names.slots[nameSlot(&index->names, nameOf(n), nameOf)] = n + 1;
    }
    GlmGroup* group = static_cast<GlmGroup*>(_glmCalloc(1, sizeof *group));
    group->name = _glmStrdup(name);
    group->next = model->groupList;
    model->groupList = group;
    model->groupCount++;
    uint32_t number = index->count++;
    index->groups[number] = group;
    index->names.slots[nameSlot(&index->names, name, nameOf)] = number + 1;
    return number;
}

void _glmFreeGroupIndex(GlmGroupIndex* index) {
    _glmFree(index->groups);
    _glmFree(index->names.slots);
    *index = GlmGroupIndex{};
}

void _glmIndexMaterials(GlmModel* model) {
    if (!model->materialNames) model->materialNames = static_cast<GlmNameSlots*>(_glmCalloc(1, sizeof(GlmNameSlots)));
    makeSlots(model->materialNames, model->materialCount);
    const GlmMaterial* materials = model->materialArray;
    auto nameOf = [materials](uint32_t n) { return materials[n].name; };
    // the first material of each name is the one found
    for (uint32_t i = 0; i < model->materialCount; i++) {
        uint32_t s = nameSlot(model->materialNames, materials[i].name, nameOf);
        if (model->materialNames->slots[s] == 0) model->materialNames->slots[s] = i + 1;
    }
}

int32_t _glmLookupMaterial(const GlmModel* model, const char* name) {
    if (!model->materialNames || model->materialCount == 0) return -1;
    const GlmMaterial* materials = model->materialArray;
    uint32_t s = nameSlot(model->materialNames, name, [materials](uint32_t n) { return materials[n].name; });
    return static_cast<int32_t>(model->materialNames->slots[s]) - 1;
}

void _glmFreeMaterials(GlmModel* model) {
    _glmFreeImages(model);
    for (uint32_t i = 0; i < model->materialCount; i++) {
        _glmFree(model->materialArray[i].name);
        _glmFree(model->materialArray[i].textureMap);
    }
    _glmFree(model->materialArray);
    model->materialArray = nullptr;
    model->materialCount = 0;
    if (model->materialNames) _glmFree(model->materialNames->slots);
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
