# The figures tests/render_null_test.cpp expects, computed with numpy from the
# same renders it writes: /usr/bin/python3 tests/render_null_values.py
import numpy as np
n=4800
j=np.arange(n)
x=0.5*np.sin(2*np.pi*440*j/48000)
xf=x.astype(np.float32).astype(np.float64)
def figs(name, r, c, fs):
    d=c-r
    rms=np.sqrt(np.mean(d**2)); pk=np.max(abs(d)); i=int(np.argmax(abs(d)))
    with np.errstate(divide='ignore'):
        print(name, 'rmsDbfs %.6f'%(20*np.log10(rms/fs)), 'peakLsb %.6f'%pk, 'peakDbfs %.6f'%(20*np.log10(pk/fs)), 'idx', i,
          'depth %.6f'%(20*np.log10(np.sqrt(np.mean(r**2))/rms)), 'corr %.12f'%np.corrcoef(r,c)[0,1])
S=2.0**23
# float louder, scale none
yf=(x*10**(0.1/20)).astype(np.float32).astype(np.float64)
figs('louder-none', xf*S, yf*S, S)
# scale level: y scaled by rms(x)/rms(y) (RMS over window, in 2^23 units)
rx=np.sqrt(np.mean((xf*S)**2)); ry=np.sqrt(np.mean((yf*S)**2))
figs('louder-level', xf*S, rx*(yf*S)/ry, S)
# noise -140 dBFS: alternating +-1e-7
noise=np.where(j%2==0,1e-7,-1e-7)
zf=(x+noise).astype(np.float32).astype(np.float64)
figs('noise', xf*S, zf*S, S)
# 24-bit: round(x*2^23 * 0.999...) ; use integer sine
xi=np.round(x*(2**23-1)).astype(np.int64).astype(np.float64)
yi=xi.copy(); yi[1234]+=1
figs('int24', xi, yi, S)
# 16-bit unequal: 16-bit sine, comparison = same, 100 samples longer
x16=np.round(x*32767).astype(np.float64)
print('int16 rms of ref dbfs', 20*np.log10(np.sqrt(np.mean(x16**2))/32768))
