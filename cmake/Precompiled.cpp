// Nothing of its own: the target edgetucker_pch exists only to make the
// precompiled header (cmake/Precompiled.h) that the programs' libraries share.
