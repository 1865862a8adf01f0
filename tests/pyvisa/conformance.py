"""The substitute VISA library driven by Debian's pyvisa, as a third-party client uses it.

Run: /usr/bin/python3 conformance.py /abs/path/libvisa.so  (ctest runs it with the built library)
"""
import os
import shutil
import tempfile
import threading
import time

import pyvisa
from pyvisa import constants
from pyvisa.resources import MessageBasedResource

from scenario_case import ScenarioCase, main

SCENARIO = """
resources:
  - name: VXI0::24::INSTR
    slot: 24
    manufacturer: 0xFFF
    model: 0x154
    module:
      step_ms: 20
      ports: [{mode: walk}, 0x1111, 0x2222, 0x3333]
  - name: GPIB0::9::INSTR
    idn: "OTHERCO,DMM 100,1234,2.0"
"""


class Conformance(ScenarioCase):
    SCENARIO = SCENARIO

    def open(self, name="VXI0::24::INSTR", **options):
        resource = self.rm.open_resource(name, resource_pyclass=MessageBasedResource, **options)
        self.addCleanup(resource.close)
        return resource

    def test_list_and_parse(self):
        self.assertEqual(self.rm.list_resources(), ("VXI0::24::INSTR", "GPIB0::9::INSTR"))
        self.assertEqual(self.rm.list_resources("GPIB?*"), ("GPIB0::9::INSTR",))
        info = self.rm.resource_info("vxi::24")
        self.assertEqual(info.interface_type, constants.InterfaceType.vxi)
        self.assertEqual(info.interface_board_number, 0)
        self.assertEqual(info.resource_class, "INSTR")
        self.assertEqual(info.resource_name, "VXI0::24::INSTR")
        info = self.rm.resource_info("GPIB1::9::3")
        self.assertEqual(
            (info.interface_type, info.interface_board_number, info.resource_name),
            (constants.InterfaceType.gpib, 1, "GPIB1::9::3::INSTR"))
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            self.rm.resource_info("VXI0::999::INSTR")
        self.assertEqual(raised.exception.error_code, constants.StatusCode.error_invalid_resource_name)

    def test_open_close_query(self):
        vxi = self.open()
        self.assertEqual(vxi.query("*IDN?"), "ZENTRAX-MOLBURY,K3310,0,1.0\n")
        self.assertEqual(vxi.query("MEAS:DIG:PORT? 1").strip(), str(0x1111))
        vxi.close()
        with self.assertRaises(pyvisa.errors.InvalidSession):
            vxi.query("*IDN?")
        register = self.rm.open_resource("VXI0::24::INSTR")
        self.addCleanup(register.close)
        self.assertEqual(register.read_memory(constants.AddressSpace.a16, 0, 16), 0xCFFF)
        self.assertEqual(register.read_memory(constants.AddressSpace.a16, 2, 16) & 0xFFF, 0x154)
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            register.read_memory(constants.AddressSpace.a16, 0x40, 16)
        self.assertEqual(raised.exception.error_code, constants.StatusCode.error_invalid_offset)

    def test_attributes(self):
        vxi = self.open()
        C = constants
        expected = {
            C.VI_ATTR_RSRC_NAME: "VXI0::24::INSTR",
            C.VI_ATTR_RSRC_CLASS: "INSTR",
            C.VI_ATTR_INTF_TYPE: C.VI_INTF_VXI,
            C.VI_ATTR_INTF_NUM: 0,
            C.VI_ATTR_RSRC_LOCK_STATE: C.VI_NO_LOCK,
            C.VI_ATTR_TMO_VALUE: 2000,
            C.VI_ATTR_TERMCHAR: 10,
            C.VI_ATTR_TERMCHAR_EN: C.VI_FALSE,
            C.VI_ATTR_SEND_END_EN: C.VI_TRUE,
            C.VI_ATTR_SUPPRESS_END_EN: C.VI_FALSE,
            C.VI_ATTR_MAX_QUEUE_LENGTH: 50,
            C.VI_ATTR_MANF_ID: 0xFFF,
            C.VI_ATTR_MANF_NAME: "ZENTRAX-MOLBURY",
            C.VI_ATTR_MODEL_CODE: 0x154,
            C.VI_ATTR_MODEL_NAME: "K3310",
            C.VI_ATTR_SLOT: 24,
            C.VI_ATTR_VXI_LA: 24,
            C.VI_ATTR_MAINFRAME_LA: 0,
            C.VI_ATTR_RSRC_SPEC_VERSION: 0x00500800,
        }
        for attribute, value in expected.items():
            self.assertEqual(vxi.get_visa_attribute(attribute), value, hex(attribute))
        for attribute in (C.VI_ATTR_RSRC_MANF_NAME, C.VI_ATTR_RSRC_MANF_ID,
                          C.VI_ATTR_RSRC_IMPL_VERSION, C.VI_ATTR_USER_DATA):
            vxi.get_visa_attribute(attribute)
        gpib = self.open("GPIB0::9::INSTR")
        self.assertEqual(gpib.get_visa_attribute(C.VI_ATTR_GPIB_PRIMARY_ADDR), 9)
        self.assertEqual(gpib.get_visa_attribute(C.VI_ATTR_INTF_TYPE), C.VI_INTF_GPIB)
        writable = {C.VI_ATTR_TMO_VALUE: 1234, C.VI_ATTR_TERMCHAR: ord(","),
                    C.VI_ATTR_TERMCHAR_EN: C.VI_TRUE, C.VI_ATTR_SEND_END_EN: C.VI_FALSE,
                    C.VI_ATTR_SUPPRESS_END_EN: C.VI_TRUE, C.VI_ATTR_MAX_QUEUE_LENGTH: 7}
        for attribute, value in writable.items():
            vxi.set_visa_attribute(attribute, value)
            self.assertEqual(vxi.get_visa_attribute(attribute), value, hex(attribute))
        refused = [(C.VI_ATTR_SLOT, 3, C.StatusCode.error_attribute_read_only),
                   (C.VI_ATTR_RSRC_NAME, 0, C.StatusCode.error_attribute_read_only),
                   (C.VI_ATTR_TERMCHAR, 300, C.StatusCode.error_nonsupported_attribute_state),
                   (C.VI_ATTR_TERMCHAR_EN, 2, C.StatusCode.error_nonsupported_attribute_state),
                   (0x3FFF0999, 1, C.StatusCode.error_nonsupported_attribute)]
        for attribute, value, status in refused:
            with self.assertRaises(pyvisa.VisaIOError) as raised:
                vxi.set_visa_attribute(attribute, value)
            self.assertEqual(raised.exception.error_code, status, hex(attribute))
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            gpib.get_visa_attribute(C.VI_ATTR_SLOT)
        self.assertEqual(raised.exception.error_code, C.StatusCode.error_nonsupported_attribute)

    def test_reads_stop_at_end_term_char_and_full_buffer(self):
        vxi = self.open()
        lib = self.rm.visalib
        vxi.write("*IDN?")
        data, status = lib.read(vxi.session, 10)
        self.assertEqual((data, status), (b"ZENTRAX-MO", constants.StatusCode.success_max_count_read))
        data, status = lib.read(vxi.session, 100)
        self.assertEqual((data, status), (b"LBURY,K3310,0,1.0\n", constants.StatusCode.success))
        vxi.set_visa_attribute(constants.VI_ATTR_TERMCHAR, ord(","))
        vxi.set_visa_attribute(constants.VI_ATTR_TERMCHAR_EN, constants.VI_TRUE)
        vxi.write("*IDN?")
        data, status = lib.read(vxi.session, 100)
        self.assertEqual((data, status),
                         (b"ZENTRAX-MOLBURY,", constants.StatusCode.success_termination_character_read))

    def test_time_out_is_honoured(self):
        gpib = self.open("GPIB0::9::INSTR")
        gpib.clear()  # drops a reply another case left unread
        for timeout in (0, 150):
            gpib.timeout = timeout
            start = time.monotonic()
            with self.assertRaises(pyvisa.VisaIOError) as raised:
                gpib.read()
            elapsed = (time.monotonic() - start) * 1000
            self.assertEqual(raised.exception.error_code, constants.StatusCode.error_timeout)
            self.assertGreaterEqual(elapsed, timeout * 0.95)
            self.assertLess(elapsed, timeout + 50)

    def test_locks_between_two_sessions(self):
        first = self.open("GPIB0::9::INSTR")
        second = self.open("GPIB0::9::INSTR")
        first.lock_excl(timeout=0)
        self.assertEqual(second.get_visa_attribute(constants.VI_ATTR_RSRC_LOCK_STATE),
                         constants.AccessModes.exclusive_lock)
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            second.write("*IDN?")
        self.assertEqual(raised.exception.error_code, constants.StatusCode.error_resource_locked)
        start = time.monotonic()
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            second.lock_excl(timeout=100)
        self.assertEqual(raised.exception.error_code, constants.StatusCode.error_timeout)
        self.assertGreaterEqual(time.monotonic() - start, 0.095)
        first.unlock()
        key = first.lock(timeout=0, requested_key="bench")
        self.assertEqual(key, b"bench")  # this pyvisa hands keys back as bytes
        self.assertEqual(second.lock(timeout=0, requested_key="bench"), b"bench")
        self.assertEqual(second.query("*IDN?").strip(), "OTHERCO,DMM 100,1234,2.0")
        third = self.open("GPIB0::9::INSTR")
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            third.write("*IDN?")
        self.assertEqual(raised.exception.error_code, constants.StatusCode.error_resource_locked)
        first.unlock()
        second.unlock()
        third.write("*IDN?")

    def test_service_request_by_queue_and_handler(self):
        vxi = self.open()
        vxi.write("*CLS")
        vxi.enable_event(constants.EventType.service_request, constants.EventMechanism.queue)
        vxi.write("*SRE 1")
        response = vxi.wait_on_event(constants.EventType.service_request, 2000)
        self.assertEqual(response.event.event_type, constants.EventType.service_request)
        self.assertEqual(vxi.read_stb() & 0x41, 0x41)
        vxi.write("*CLS")
        vxi.disable_event(constants.EventType.service_request, constants.EventMechanism.queue)

        called = threading.Event()
        seen = []

        def handler(session, event_type, context, user_handle):
            seen.append((session, event_type, threading.get_ident()))
            called.set()

        vxi.install_handler(constants.EventType.service_request, handler)
        vxi.enable_event(constants.EventType.service_request, constants.EventMechanism.handler)
        vxi.write("*CLS")  # the next edge raises a new request
        self.assertTrue(called.wait(2))
        vxi.disable_event(constants.EventType.service_request, constants.EventMechanism.handler)
        vxi.uninstall_handler(constants.EventType.service_request, handler)
        self.assertEqual(seen[0][:2], (vxi.session, constants.EventType.service_request))
        self.assertNotEqual(seen[0][2], threading.get_ident())
        vxi.write("*SRE 0")


    def test_every_bound_function_is_exported(self):
        lib = self.rm.visalib
        bound = lib.lib._functions + lib.lib._functions_failed  # pyvisa's own list
        self.assertGreater(len(bound), 80)
        self.assertEqual(set(lib.lib._functions_failed), set())

        vxi = self.open()
        gpib = self.rm.open_resource("GPIB0::9::INSTR")  # pyvisa's own GPIB class
        self.addCleanup(gpib.close)
        C = constants
        unsupported = C.StatusCode.error_nonsupported_operation
        refusals = [
            (lambda: gpib.control_ren(C.RENLineOperation.asrt), unsupported),
            (lambda: lib.gpib_send_ifc(vxi.session), unsupported),
            (lambda: lib.vxi_command_query(vxi.session, 0, 0), unsupported),
            (lambda: lib.terminate(vxi.session, 0, 1), C.StatusCode.error_invalid_job_i_d),
        ]
        for call, status in refusals:
            with self.assertRaises(pyvisa.VisaIOError) as raised:
                call()
            self.assertEqual(raised.exception.error_code, status)

        # The formatted I/O buffers: nothing leaves before the flush; reads go through an
        # 8-byte read buffer and stop at the count or the message's end.
        self.assertEqual(lib.set_buffer(vxi.session, C.BufferType.read | C.BufferType.write, 8),
                         C.StatusCode.success)
        self.assertEqual(lib.buffer_write(vxi.session, b"*IDN?\n"), (6, C.StatusCode.success))
        vxi.timeout = 0
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            lib.buffer_read(vxi.session, 10)
        self.assertEqual(raised.exception.error_code, C.StatusCode.error_timeout)
        vxi.flush(C.BufferOperation.flush_write_buffer)
        self.assertEqual(lib.buffer_read(vxi.session, 10),
                         (b"ZENTRAX-MO", C.StatusCode.success_max_count_read))
        self.assertEqual(lib.buffer_read(vxi.session, 100),
                         (b"LBURY,K3310,0,1.0\n", C.StatusCode.success))

        # Files: a reply into one, a command out of another.
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        reply, command = os.path.join(folder, "reply"), os.path.join(folder, "command")
        with open(command, "wb") as out:
            out.write(b"*IDN?\n")
        vxi.timeout = 2000
        count, status = lib.write_from_file(vxi.session, command, 100)
        self.assertEqual((count.value, status), (6, C.StatusCode.success))
        count, status = lib.read_to_file(vxi.session, reply, 100)
        identity = b"ZENTRAX-MOLBURY,K3310,0,1.0\n"
        self.assertEqual((count.value, status), (len(identity), C.StatusCode.success))
        with open(reply, "rb") as saved:
            self.assertEqual(saved.read(), identity)
        with self.assertRaises(pyvisa.VisaIOError) as raised:
            lib.read_to_file(vxi.session, os.path.join(folder, "no", "such"), 100)
        self.assertEqual(raised.exception.error_code, C.StatusCode.error_file_access)


if __name__ == "__main__":
    main("Conformance")
