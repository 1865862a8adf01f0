# A VXI-11 client no one here wrote: Debian's pyvisa-py, against aq3310-simd on loopback.
# Prints one line per step for the test to compare; with "hold", takes the lock and keeps it.
import signal
import sys

import pyvisa

resource = "TCPIP::127.0.0.1::%s::INSTR" % sys.argv[1]
rm = pyvisa.ResourceManager("@py")
if len(sys.argv) > 2 and sys.argv[2] == "hold":
    # Takes the lock and waits to be killed with it.
    held = rm.open_resource(resource)
    held.lock_excl()
    print("locked", flush=True)
    signal.pause()
    sys.exit(1)
first = rm.open_resource(resource)
first.timeout = 2000
print("idn", first.query("*IDN?").strip())
print("port3", first.query("MEAS:DIG:PORT? 3").strip())
print("stb", first.read_stb())
first.lock_excl()
second = rm.open_resource(resource)
second.timeout = 2000
try:
    second.lock_excl(timeout=200)
    print("second lock granted")
except pyvisa.errors.VisaIOError as error:
    print("second lock", error.error_code == pyvisa.constants.StatusCode.error_resource_locked)
try:
    second.write("*IDN?")
    print("second write done")
except pyvisa.errors.VisaIOError:
    print("second write refused")
first.unlock()
print("second after unlock", second.query("MEAS:DIG:PORT? 0").strip())
second.close()
first.close()
rm.close()
