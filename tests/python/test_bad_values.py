"""Values the runtime cannot hold: each is an AutomationError with the
runtime's number, never a crash, a hang or a stray Python exception."""
import sys

import pytest

NESTING = 16  # how deep arrays may nest


def nested(depth):
    value = []
    for _ in range(depth - 1):
        value = [value]
    return value


def number_of(rc, call):
    with pytest.raises(rc.AutomationError) as e:
        call()
    return e.value


def test_a_list_that_contains_itself_is_a_type_mismatch(rc, sample, host):
    loop = []
    loop.append(loop)
    e = number_of(rc, lambda: host.RecordLine(loop))
    assert e.number == 13
    assert e.description == "Type mismatch: argument 'Text' of RecordLine is a list that contains itself"
    wide = [1, 2]
    wide.append([wide, wide])
    assert number_of(rc, lambda: sample.Echo(wide)).number == 13


def test_lists_nest_as_deep_as_arrays_and_no_deeper(rc, sample):
    assert sample.Echo(nested(NESTING)) == nested(NESTING)
    assert number_of(rc, lambda: sample.Echo(nested(NESTING + 1))).number == 13
    e = number_of(rc, lambda: sample.Echo(nested(100_000)))
    assert e.number == 13 and "nested deeper than 16 levels" in e.description
    assert e.source == "RavelcrestTest.Sample"


def test_shared_sublists_cannot_multiply_into_billions_of_elements(rc, sample):
    value = [0] * 1000
    for _ in range(5):
        value = [value] * 1000  # a few kilobytes of Python, 10**18 elements
    assert number_of(rc, lambda: sample.Echo(value)).number == 7


def test_arrays_nested_in_arrays_stop_at_the_same_depth(rc, sample):
    inner = rc.SafeArray("Variant", [(0, 0)])
    depth = 1
    with pytest.raises(rc.AutomationError) as e:
        for _ in range(100_000):
            outer = rc.SafeArray("Variant", [(0, 0)])
            outer[0] = inner
            inner, depth = outer, depth + 1
    assert e.value.number == 13
    assert depth == NESTING
    assert sample.Shape(inner) == "Variant(0 To 0)"
    result = sample.Echo(inner)  # back to Python: bounded as well
    for _ in range(NESTING - 1):
        (result,) = result
    assert result == [None]


@pytest.mark.parametrize(
    "bounds",
    [
        [(-(2**31), 2**31 - 1)],  # 2**32 elements: once wrapped to 0
        [(0, 2**31 - 1)],
        [(0, 65535), (0, 65535)],
        [(0, 2**70)],
        [(-(2**31) - 1, 0)],
    ],
)
def test_arrays_whose_element_count_leaves_32_bits_are_refused(rc, bounds):
    e = number_of(rc, lambda: rc.SafeArray("Long", bounds))
    assert e.number == 6


def test_an_array_may_end_at_the_last_long(rc):
    top = 2**31 - 1
    edge = rc.SafeArray("Long", [(top - 1, top)])
    edge[top] = 5
    assert (len(edge), edge.bounds, edge.tolist()) == (2, [(top - 1, top)], [0, 5])
    grid = rc.SafeArray("Long", [(top, top), (0, 1)])
    assert grid.tolist() == [[0, 0]]


def test_array_indices_of_the_wrong_type_are_type_mismatches(rc):
    a = rc.SafeArray("Long", [(0, 3)])
    for bad in (1.5, "1", None, (1.5,)):
        assert number_of(rc, lambda: a[bad]).number == 13
        assert number_of(rc, lambda: a.__setitem__(bad, 1)).number == 13
    assert number_of(rc, lambda: a[2**70]).number == 9
    assert number_of(rc, lambda: rc.SafeArray("Long", [(0, "3")])).number == 13
    a[True] = 5
    assert a[1] == 5


def test_python_values_beyond_the_runtime_raise_its_errors(rc, sample):
    e = number_of(rc, lambda: sample.Echo(2**2000))
    assert (e.number, e.description) == (6, "Overflow: argument 'v' of Echo is an int too large for a Double")
    e = number_of(rc, lambda: sample.Echo("lone \ud800"))
    assert e.number == 5 and e.source == "RavelcrestTest.Sample"
    assert sample.Echo("escaped \udc80") == "escaped \udc80"  # undecodable bytes still round-trip
    assert number_of(rc, lambda: sample.Echo([1, [2**2000]])).number == 6
    assert number_of(rc, lambda: setattr(sample, "Value", 2**2000)).number == 6
    assert number_of(rc, lambda: sample.Echo(v=2**2000)).number == 6
    a = rc.SafeArray("Variant", [(0, 1)])
    assert number_of(rc, lambda: a.__setitem__(0, "\ud800")).number == 5


def test_a_failing_index_conversion_is_still_a_python_error(rc):
    class BadIndex:
        def __index__(self):
            raise ZeroDivisionError("no index")

    with pytest.raises(ZeroDivisionError):
        rc.Dispatch("RavelcrestTest.Sample").Echo(BadIndex())
