// Placeholder so the layer library has a source until its first unit lands.
namespace foundation {
int LayerAnchor() { return 0; }
}  // namespace foundation
