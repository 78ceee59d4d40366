// The artwork library holds only what the resource compiler generates from the SVG files;
// CMake needs one source of the library's own to create it. The lookup by resource number
// is in src/controls/resource_images.h.
