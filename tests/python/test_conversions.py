"""Python values passed as Variants and Variants returned as Python values."""
import datetime

import pytest


@pytest.mark.parametrize(
    "value, shape",
    [
        (None, "Empty"),
        (True, "Boolean"),
        (0, "Long"),
        (2**31 - 1, "Long"),
        (-(2**31), "Long"),
        (2**31, "Double"),
        (-(2**31) - 1, "Double"),
        (2.5, "Double"),
        ("text", "String"),
        ([1, "a", None], "Variant(0 To 2)"),
        ((1, 2), "Variant(0 To 1)"),
        ([], "Variant(0 To -1)"),
        (b"\x00\xff", "Byte(0 To 1)"),
        (datetime.datetime(2024, 1, 2, 3, 4, 5), "Date"),
    ],
)
def test_arguments_take_their_automation_types(sample, value, shape):
    assert sample.Shape(value) == shape


def test_objects_and_arrays_pass_as_themselves(rc, sample):
    other = rc.Dispatch("RavelcrestTest.Sample")
    assert sample.Shape(other) == "Object"
    assert sample.Echo(other) is other
    cube = sample.Cube()
    assert sample.Shape(cube) == "Long(1 To 2, 1 To 3, 1 To 4)"
    assert sample.Echo(cube) == cube


def test_values_without_an_automation_form_are_type_errors(sample):
    with pytest.raises(TypeError):
        sample.Echo(object())
    with pytest.raises(TypeError):
        sample.Echo({"a": 1})


def test_results_take_python_types(sample):
    assert sample.Echo(None) is None
    assert sample.Echo(True) is True
    assert sample.Echo(False) is False
    assert sample.Echo(5) == 5 and type(sample.Echo(5)) is int
    assert sample.Echo(2**40) == float(2**40)
    assert type(sample.Echo(1.5)) is float
    assert sample.Echo("snow ☃") == "snow ☃"
    sample.Small = 3
    assert type(sample.Small) is int and sample.Small == 3
    assert sample.Flag is False
    assert sample.Value is None


def test_dates_round_trip(sample):
    for moment in (
        datetime.datetime(2024, 2, 29, 13, 45, 30),
        datetime.datetime(1899, 12, 29, 6, 0),
        datetime.datetime(1800, 1, 1, 23, 59, 59),
    ):
        assert sample.Echo(moment) == moment
    assert sample.Echo(datetime.date(2020, 5, 1)) == datetime.datetime(2020, 5, 1)


def test_lists_come_back_as_lists(sample):
    assert sample.Vector() == [1, "two", 3.5]
    assert sample.Echo([1, [2, 3], "x"]) == [1, [2, 3], "x"]
    assert sample.Echo(b"ab") == [97, 98]


def test_multidimensional_arrays_keep_their_bounds(rc, sample):
    cube = sample.Cube()
    assert isinstance(cube, rc.SafeArray)
    assert cube.dimensions == 3
    assert cube.bounds == [(1, 2), (1, 3), (1, 4)]
    assert (cube.lbound(2), cube.ubound(3)) == (1, 4)
    assert len(cube) == 24
    assert cube[1, 1, 1] == 111
    assert cube[2, 3, 4] == 234
    assert cube.tolist()[1][2][3] == 234
    for bad in [(0, 1, 1), (3, 1, 1), (1, 1, 5), (1, 1), (1, 1, 1, 1), (2**40, 1, 1)]:
        with pytest.raises(rc.AutomationError) as e:
            cube[bad]
        assert e.value.number == 9
    with pytest.raises(TypeError):
        iter(cube)


def test_byte_arrays_expose_their_storage(rc, sample):
    pixels = sample.Pixels()
    assert pixels.element_type == "Byte"
    assert pixels.bounds == [(0, 3), (0, 1), (0, 1)]
    assert pixels[1, 0, 0] == 1  # first index varies fastest
    assert pixels[0, 1, 0] == 4
    assert pixels.tobytes() == bytes(range(16))
    pixels[3, 1, 1] = 200
    assert pixels[3, 1, 1] == 200
    with pytest.raises(rc.AutomationError) as e:
        pixels[0, 0, 0] = 256
    assert e.value.number == 6


def test_arrays_built_in_python(rc, sample):
    grid = rc.SafeArray("Long", [(1, 2), (-1, 0)])
    grid[2, -1] = "7"
    assert grid[2, -1] == 7
    assert sample.Shape(grid) == "Long(1 To 2, -1 To 0)"
    assert repr(grid) == "ravelcrest.SafeArray('Long', [(1, 2), (-1, 0)])"
    with pytest.raises(ValueError):
        rc.SafeArray("Nonsense", [(0, 1)])
    with pytest.raises(ValueError):
        rc.SafeArray("Long", [(3, 1)])
    with pytest.raises(TypeError):
        grid.tobytes()
