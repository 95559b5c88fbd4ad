"""ravelcrest.typelib(): the registered classes as Python data."""


def members_named(cls, name):
    return [m for m in cls["members"] if m["name"] == name]


def test_test_class_entry(rc):
    (sample,) = [c for c in rc.typelib("RavelcrestTest") if c["name"] == "Sample"]
    assert sample["library"] == "RavelcrestTest"
    assert sample["progids"] == ["RavelcrestTest.Sample"]
    assert sample["interface"] == "_Sample"
    assert sample["clsid"].startswith("{") and sample["iid"].startswith("{")
    assert [m["kind"] for m in members_named(sample, "Cell")] == ["get", "let"]

    (divide,) = members_named(sample, "Divide")
    assert divide["kind"] == "method" and divide["result"] == "Long"
    assert [(p["name"], p["type"], p["byref"], p["optional"]) for p in divide["params"]] == [
        ("n", "Long", False, False),
        ("d", "Long", False, False),
        ("remainder", "Long", True, False),
        ("note", "String", True, True),
    ]
    assert divide["params"][3]["default"] == ""
    (swap,) = members_named(sample, "Swap")
    assert swap["result"] is None


def test_typelib_members_are_what_dispatch_answers(rc):
    for cls in rc.typelib("RavelcrestTest"):
        obj = rc.Dispatch(cls["progids"][0])
        for m in cls["members"]:
            assert hasattr(obj, m["name"])


def test_library_classes_are_listed_and_creatable(rc, library_classes):
    classes = {c["name"]: c for c in rc.typelib()}
    assert set(library_classes) <= set(classes)
    for name in library_classes:
        cls = classes[name]
        assert cls["library"] == "RavelcrestCore"
        assert "RavelcrestCore." + name in cls["progids"]
        assert cls["interface"] == "_" + name
        obj = rc.Dispatch("RavelcrestCore." + name)
        assert repr(obj).startswith("<ravelcrest.Object ")
