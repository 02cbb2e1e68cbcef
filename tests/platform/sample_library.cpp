// A small library for the loading tests: two exports and a counter that shows whether the
// same copy is loaded again.

extern "C" {

__attribute__((visibility("default"))) int td_sample_answer() {
    return 42;
}

__attribute__((visibility("default"))) int td_sample_next() {
    static int calls = 0;
    return ++calls;
}
}
