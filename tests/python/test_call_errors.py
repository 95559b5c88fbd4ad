"""Errors of a call's shape name the member and the argument; help() shows
a member's declaration; one rule finds the member every call reaches."""
import pydoc

import pytest

WRONG_COUNT = "Wrong number of arguments or invalid property assignment"


def error_of(rc, call):
    with pytest.raises(rc.AutomationError) as e:
        call()
    return e.value


def test_wrong_argument_counts_name_the_member(rc, sample):
    e = error_of(rc, lambda: sample.Add(1, 2, 3))
    assert e.number == 450
    assert e.description == WRONG_COUNT + ": Add takes 1 to 2 arguments, 3 given"
    assert str(e) == WRONG_COUNT + ": Add takes 1 to 2 arguments, 3 given (error 450 in RavelcrestTest.Sample)"
    assert error_of(rc, lambda: sample.Swap(1)).description == WRONG_COUNT + ": Swap takes 2 arguments, 1 given"
    assert error_of(rc, lambda: sample.Vector(1)).description == WRONG_COUNT + ": Vector takes no arguments, 1 given"
    e = error_of(rc, lambda: sample.Add(rc.Missing, 1))
    assert e.description == WRONG_COUNT + ": argument 'a' of Add is not optional"


def test_the_library_names_its_own_members(rc):
    app = rc.Dispatch("RavelcrestCore.clsApplication")
    e = error_of(rc, lambda: app.TestMassProp(True, 2))
    assert str(e) == (
        WRONG_COUNT + ": TestMassProp takes 1 argument, 2 given (error 450 in RavelcrestCore.clsApplication)"
    )


def test_type_errors_name_the_argument_and_both_types(rc, sample):
    e = error_of(rc, lambda: sample.Add("x"))
    assert (e.number, e.description) == (13, "Type mismatch: argument 'a' of Add takes Long, String given")
    e = error_of(rc, lambda: sample.Add(1, 2**40))
    assert (e.number, e.description) == (6, "Overflow: argument 'b' of Add takes Long, Double given")
    e = error_of(rc, lambda: setattr(sample, "Small", 40000))
    assert e.description == "Overflow: argument 'value' of Small takes Integer, Long given"


def test_help_shows_the_declaration_from_the_type_library(rc, sample):
    assert sample.Divide.__doc__ == (
        'method Divide(ByVal n As Long, ByVal d As Long, ByRef remainder As Long, '
        'Optional ByRef note As String = "") As Long'
    )
    assert sample.Cell.__doc__ == (
        "get    Cell(ByVal row As Long, ByVal col As Long) As Long\n"
        "let    Cell(ByVal row As Long, ByVal col As Long, ByVal value As Long)"
    )
    assert "Divide(ByVal n As Long" in pydoc.render_doc(sample.Divide)


def test_an_unknown_type_library_raises(rc):
    with pytest.raises(KeyError):
        rc.typelib("Nope")
    assert [c["name"] for c in rc.typelib("ravelcrestcore")] == [c["name"] for c in rc.typelib()]


def test_the_library_listing_names_version_and_id(rc):
    lib = rc.typelib()
    assert (lib.name, lib.version, lib.libid) == ("RavelcrestCore", "1.0", "{AD446D84-0D8B-4A11-90CE-B486C9556F20}")
    assert "RavelcrestCore 1.0 {AD446D84-0D8B-4A11-90CE-B486C9556F20}" in repr(lib)
    vexlar = rc.typelib("Vexlar")
    assert vexlar.name == "Vexlar" and vexlar.version is None and vexlar.libid is None


def test_each_call_kind_reaches_the_member_dispatch_resolves(rc, sample):
    # Next is a method (cursor + 1), a get (no by-reference parameter), a
    # let (+ 2) and a set (+ 3): the shape and the step of each answer show
    # that the binding and the runtime picked the same member.
    other = rc.Dispatch("RavelcrestTest.Sample")
    assert rc.invoke(sample, "Next", "method", 1) == ("method", 2)
    assert rc.invoke(sample, "Next", "get", 1) == "get"
    assert sample.Next(1) == ("method", 2)
    assert sample.Next(at=5) == ("method", 6)
    assert rc.invoke(sample, "Next", "let", 1, "text") == (None, 3)
    assert sample.Value == "text"
    assert rc.invoke(sample, "Next", "set", 1, other) == (None, 4)
    assert sample.Child is other
    assert rc.invoke(sample, "Next", "let", 1, other) == (None, 3)  # a let exists: it takes the object
    assert rc.invoke(sample, "Divide", "get", 7, 2, 0) == (3, 1)  # a get-only call falls back to the method
    with pytest.raises(rc.AutomationError) as e:
        rc.invoke(sample, "Divide", "let", 7, 2, 0)
    assert e.value.number == 438
