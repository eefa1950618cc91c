// The editor interface, reduced to what the base classes need: an object the
// effect may own and delete. Glowmarsh never attaches one.
#pragma once

class AEffEditor {
public:
    virtual ~AEffEditor() = default;
};
