"""Creating objects, attributes as properties and methods, invoke()."""
import pytest


def test_dispatch_creates_by_progid_in_any_case(rc):
    a = rc.Dispatch("ravelcresttest.SAMPLE")
    b = rc.Dispatch("RavelcrestTest.Sample")
    assert isinstance(a, rc.Object)
    assert a != b
    assert repr(a) == "<ravelcrest.Object RavelcrestTest.Sample>"


def test_unknown_progid_and_nothing_running_raise_429(rc):
    with pytest.raises(rc.AutomationError) as e:
        rc.Dispatch("No.Such.Class")
    assert e.value.number == 429
    with pytest.raises(rc.AutomationError) as e:
        rc.GetObject("RavelcrestTest.Sample")
    assert e.value.number == 429


def test_getobject_attaches_to_the_running_instance(rc, sample):
    sample.Publish()
    try:
        running = rc.GetObject("RavelcrestTest.Sample")
        assert running == sample
        running.Name = "shared"
        assert sample.Name == "shared"
    finally:
        sample.Revoke()
    with pytest.raises(rc.AutomationError):
        rc.GetObject("RavelcrestTest.Sample")


def test_properties_read_and_assign_in_any_case(sample):
    assert sample.Name == ""
    sample.name = "abc"
    sample.COUNT = 7
    sample.Ratio = 2
    assert (sample.Name, sample.count, sample.Ratio) == ("abc", 7, 2.0)
    sample.Count = "12"  # converted to the property's type
    assert sample.Count == 12


def test_assignment_converts_or_raises(rc, sample):
    with pytest.raises(rc.AutomationError) as e:
        sample.Small = 40000
    assert e.value.number == 6
    with pytest.raises(rc.AutomationError) as e:
        sample.Count = "twelve"
    assert e.value.number == 13


def test_unknown_members_are_attribute_errors(sample):
    with pytest.raises(AttributeError):
        sample.NoSuchMember
    with pytest.raises(AttributeError):
        sample.NoSuchMember = 1
    assert not hasattr(sample, "NoSuchMember")
    assert hasattr(sample, "Cube")
    assert {"Name", "Cube", "Cell", "Divide"} <= set(dir(sample))


def test_methods_are_callables(sample):
    add = sample.Add
    assert callable(add)
    assert add(1) == 11
    assert sample.add(1, 2) == 3
    assert sample.Add(a=1, B=5) == 6
    with pytest.raises(TypeError):
        sample.Add(1, c=2)
    with pytest.raises(TypeError):
        sample.Add(1, a=2)


def test_object_properties_use_property_set(rc, sample):
    other = rc.Dispatch("RavelcrestTest.Sample")
    other.Name = "child"
    sample.Child = other
    assert sample.Child is other
    assert sample.Child.Name == "child"
    sample.Child = None
    assert sample.Child is None
    assert sample.NoObject() is None


def test_property_get_with_arguments_is_called_like_a_method(rc, sample):
    assert sample.Cell(1, 2) == 0
    rc.invoke(sample, "Cell", "let", 1, 2, 42)
    assert sample.Cell(1, 2) == 42
    assert sample.Cell(2, 1) == 0


def test_invoke_reaches_every_call_kind(rc, sample):
    rc.invoke(sample, "Name", "let", "x")
    assert rc.invoke(sample, "Name", "get") == "x"
    assert rc.invoke(sample, "Add", "method", 2, 3) == 5
    assert rc.invoke(sample, "Swap", "method", 1, 2) == (None, 2, 1)
    other = rc.Dispatch("RavelcrestTest.Sample")
    rc.invoke(sample, "Child", "set", other)
    assert rc.invoke(sample, "Child", "get") is other
    with pytest.raises(rc.AutomationError) as e:
        rc.invoke(sample, "Name", "method")
    assert e.value.number == 438
    with pytest.raises(ValueError):
        rc.invoke(sample, "Name", "put", 1)
    with pytest.raises(rc.AutomationError) as e:
        rc.invoke(None, "Name", "get")
    assert e.value.number == 91


def test_collections_are_iterable(rc, sample):
    items = sample.Items(3)
    assert [item.Name for item in items] == ["item1", "item2", "item3"]
    assert list(sample.Items(0)) == []
    with pytest.raises(TypeError):
        iter(sample)
