// Nothing of its own: the layer checks (cmake/LogicSources.cmake) link a layer into a DLL
// of this file, where every call the layer makes must be resolved by the layers below it.
