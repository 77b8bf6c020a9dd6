// Identification of the virtual printer build.
namespace sim {
const char* modelName() { return "carvex virtual printer"; }
} // namespace sim
