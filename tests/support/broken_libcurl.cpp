// Built as libcurl.so.4 for tests of a system whose libcurl is broken: it
// loads, and has none of curl's functions.
extern "C" int kestrilo_not_curl() { return 0; }
