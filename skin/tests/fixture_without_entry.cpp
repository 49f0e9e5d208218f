// A test fixture: a library of its own with no SkinH_AttachEx, loaded with the
// real skin library as its dependency.
extern "C" int SkinFixtureMarker() { return 7; }
