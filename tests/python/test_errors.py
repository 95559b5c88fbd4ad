"""AutomationError and the message sink."""
import pytest


def test_errors_carry_number_description_and_source(rc, sample):
    with pytest.raises(rc.AutomationError) as e:
        sample.Divide(1, 0, 0)
    assert e.value.number == 11
    assert e.value.description == "Division by zero"
    assert e.value.source == "RavelcrestTest.Sample"
    assert "Division by zero" in str(e.value)


def test_application_defined_errors_keep_their_text(rc, sample):
    with pytest.raises(rc.AutomationError) as e:
        sample.Fail(1234, "the vault is closed")
    assert (e.value.number, e.value.description) == (1234, "the vault is closed")


def test_call_shape_errors(rc, sample):
    with pytest.raises(rc.AutomationError) as e:
        sample.Add()
    assert e.value.number == 450
    with pytest.raises(rc.AutomationError) as e:
        sample.Add(1, 2, 3)
    assert e.value.number == 450
    with pytest.raises(rc.AutomationError) as e:
        sample.Add("x")
    assert e.value.number == 13


def test_automation_error_is_an_ordinary_exception_class(rc):
    assert issubclass(rc.AutomationError, Exception)
    e = rc.AutomationError(53, "File not found", "here")
    assert (e.number, e.description, e.source) == (53, "File not found", "here")


def test_messages_go_to_sys_stderr(sample, capsys):
    sample.Notify("baseline written")
    assert capsys.readouterr().err == "ravelcrest: baseline written\n"


def test_messages_are_also_filed_when_asked(sample, capsys, tmp_path, monkeypatch):
    log = tmp_path / "messages.txt"
    monkeypatch.setenv("RAVELCREST_MESSAGES", str(log))
    sample.Notify("first")
    sample.Notify("second")
    assert log.read_bytes() == b"first\r\nsecond\r\n"
    assert capsys.readouterr().err.count("ravelcrest: ") == 2
